<?php
// Routes the requests of PHP's built-in server: the dialogue's three pages,
// the stored images, the identifying line and the home page. Everything else
// is a 404.

require_once __DIR__ . '/lib.php';

$uri = $_SERVER['REQUEST_URI'] ?? '/';
$path = is_string($uri) ? parse_url($uri, PHP_URL_PATH) : null;
if (!is_string($path)) {
    $path = '';
}

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
    case IDENTITY_PATH:
        header('Content-Type: text/plain; charset=us-ascii');
        header('X-Content-Type-Options: nosniff');
        header('Cache-Control: no-cache');
        readfile(__DIR__ . '/public' . IDENTITY_PATH);
        return true;
}

http_response_code(404);
send_page('Page introuvable', '<p class="gras">ERREUR : cette page n\'existe pas.</p>');
return true;
