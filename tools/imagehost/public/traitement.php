<?php
// Second step: checks that the client is the one that uploaded the image and
// sends it on to the result page.
require_once __DIR__ . '/../lib.php';

$name = $_GET['image'] ?? null;
if (!valid_name($name) || !is_file(data_dir() . '/images/' . $name)) {
    refuse('cette image est inconnue.');
    return;
}
if (!has_valid_cookie($name)) {
    refuse('cet envoi ne vous appartient pas (cookie absent ou incorrect).');
    return;
}
header('Location: resultat.php?image=' . $name, true, 302);
