<?php
// Routes the requests of PHP's built-in server: the dialogue's three pages,
// the stored images and the home page. Everything else is a 404.

require_once __DIR__ . '/lib.php';

$path = parse_url($_SERVER['REQUEST_URI'], PHP_URL_PATH) ?? '/';

if (preg_match('#^/images/([0-9a-f]{32}\.jpg)$#', $path, $m)) {
    serve_image($m[1]);
    return true;
}

switch ($path) {
    case '/':
    case '/index.php':
        require __DIR__ . '/public/index.php';
        return true;
    case '/envoyer.php':
        require __DIR__ . '/public/envoyer.php';
        return true;
    case '/traitement.php':
        require __DIR__ . '/public/traitement.php';
        return true;
    case '/resultat.php':
        require __DIR__ . '/public/resultat.php';
        return true;
}

http_response_code(404);
send_page('Page introuvable', '<p class="gras">ERREUR : cette page n\'existe pas.</p>');
return true;
