<?php
// The home page: what this host is, and a form for people who upload by hand.
require_once __DIR__ . '/../lib.php';

send_page("H\xE9bergeur d'images vitrix",
    "<h1>H\xE9bergeur d'images vitrix</h1>\r\n"
    . "<p>Envoyez une image JPEG (au plus " . megabytes(max_bytes()) . " Mo).</p>\r\n"
    . "<form method=\"post\" action=\"envoyer.php\" enctype=\"multipart/form-data\">"
    . "<input type=\"file\" name=\"fichier\" accept=\"image/jpeg\"> <input type=\"submit\" value=\"Envoyer\"></form>");
