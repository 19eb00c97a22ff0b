<?php
// Last step: the result page with the address of the hosted image.
require_once __DIR__ . '/../lib.php';

$name = own_upload_or_refuse();
if ($name === null) {
    return;
}
$address = htmlspecialchars(base_url() . 'images/' . $name, ENT_QUOTES | ENT_HTML401, 'Windows-1252');
send_page("Image h\xE9berg\xE9e",
    "<h1>Votre image est en ligne</h1>\r\n"
    . "<p>Image H\xE9berg\xE9e : <a href=\"$address\">$address</a></p>\r\n"
    . "<p>Pour un forum : <code>[img]{$address}[/img]</code></p>\r\n"
    . "<p><img src=\"$address\" alt=\"image\"></p>");
