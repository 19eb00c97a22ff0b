<?php
// Second step: checks that the client is the one that uploaded the image and
// sends it on to the result page.
require_once __DIR__ . '/../lib.php';

$name = own_upload_or_refuse();
if ($name === null) {
    return;
}
header('Location: resultat.php?image=' . $name, true, 302);
