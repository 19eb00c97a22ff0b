<?php
// Last step: the result page with the address of the hosted image.
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
$address = htmlspecialchars(base_url() . 'images/' . $name, ENT_QUOTES | ENT_HTML401, 'Windows-1252');
send_page("Image h\xE9berg\xE9e",
    "<h1>Votre image est en ligne</h1>\r\n"
    . "<p>Image H\xE9berg\xE9e : <a href=\"$address\">$address</a></p>\r\n"
    . "<p>Pour un forum : <code>[img]{$address}[/img]</code></p>\r\n"
    . "<p><img src=\"$address\" alt=\"image\"></p>");
