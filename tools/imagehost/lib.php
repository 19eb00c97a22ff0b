<?php
// Shared pieces of the image host. Pages are written in Windows-1252, as the
// clients of this host read them; accented letters are byte escapes here.

const COOKIE_NAME = 'vitrix_envoi';

function data_dir(): string {
    $dir = getenv('IMAGEHOST_DATA') ?: __DIR__ . '/data';
    // Two workers may both find the folder missing: the second mkdir fails
    // harmlessly.
    if (!is_dir("$dir/images") && !@mkdir("$dir/images", 0775, true) && !is_dir("$dir/images")) {
        throw new RuntimeException("cannot create $dir/images");
    }
    return $dir;
}

function max_bytes(): int {
    $max = (int) (getenv('IMAGEHOST_MAX_BYTES') ?: 20971520);
    return $max > 0 ? $max : 20971520;
}

function send_page(string $title, string $body): void {
    header('Content-Type: text/html; charset=windows-1252');
    echo "<!DOCTYPE html>\r\n<html><head><meta charset=\"windows-1252\"><title>$title</title>"
        . "<style>body{font-family:sans-serif;margin:2em}.gras{font-weight:bold}</style></head>\r\n"
        . "<body>\r\n$body\r\n</body></html>\r\n";
}

function refuse(string $reason): void {
    send_page('Erreur', '<p class="gras">ERREUR : ' . $reason . '</p>'
        . "\r\n<p><a href=\"/\">Retour</a></p>");
}

// An upload in progress is a stored image name (32 hex digits + .jpg) and the
// token its cookie carries; both must come back on the follow-up requests.
function valid_name(?string $name): bool {
    return is_string($name) && preg_match('/^[0-9a-f]{32}\.jpg$/', $name) === 1;
}

function token_for(string $name): string {
    return hash_hmac('sha256', $name, secret());
}

// The key of the upload tokens, made once per data folder. It is written to a
// temporary file and linked into place, so that concurrent first requests
// all end up with the one secret that won, never with a half-written one.
function secret(): string {
    $file = data_dir() . '/secret';
    if (!is_file($file)) {
        $temporary = $file . '.' . bin2hex(random_bytes(8));
        file_put_contents($temporary, bin2hex(random_bytes(32)));
        @link($temporary, $file);
        unlink($temporary);
    }
    return trim(file_get_contents($file));
}

function has_valid_cookie(string $name): bool {
    $sent = $_COOKIE[COOKIE_NAME] ?? '';
    return is_string($sent) && hash_equals(token_for($name), $sent);
}

// The stored image named by ?image= when the client is the one that uploaded
// it; otherwise the refusal page is sent and null returned.
function own_upload_or_refuse(): ?string {
    $name = $_GET['image'] ?? null;
    if (!valid_name($name) || !is_file(data_dir() . '/images/' . $name)) {
        refuse('cette image est inconnue.');
        return null;
    }
    if (!has_valid_cookie($name)) {
        refuse('cet envoi ne vous appartient pas (cookie absent ou incorrect).');
        return null;
    }
    return $name;
}

// The address the host is reached at, as links name it: IMAGEHOST_PUBLIC_URL
// when it is set (a host behind a reverse proxy, or under https), otherwise
// the Host the client asked for. A Host that is not a plain name or address
// with an optional port is not echoed into pages.
function base_url(): string {
    $public = getenv('IMAGEHOST_PUBLIC_URL');
    if (is_string($public) && $public !== '') {
        return rtrim($public, '/') . '/';
    }
    $host = $_SERVER['HTTP_HOST'] ?? '';
    if (!preg_match('/^([A-Za-z0-9.-]+|\[[0-9A-Fa-f:.]+\])(:[0-9]{1,5})?$/', $host)) {
        $host = '127.0.0.1:' . $_SERVER['SERVER_PORT'];
    }
    return 'http://' . $host . '/';
}

function serve_image(string $name): void {
    $file = data_dir() . '/images/' . $name;
    if (!is_file($file)) {
        http_response_code(404);
        send_page('Image introuvable', '<p class="gras">ERREUR : cette image n\'existe pas.</p>');
        return;
    }
    header('Content-Type: image/jpeg');
    header('Content-Length: ' . filesize($file));
    // A stored image never changes; it is only ever shown as an image.
    header('Cache-Control: public, max-age=31536000, immutable');
    header('X-Content-Type-Options: nosniff');
    readfile($file);
}

// A stored image must be a whole JPEG stream: SOI at the start, a frame the
// image functions can read, and an EOI marker at the end.
function is_jpeg(string $file): bool {
    $handle = fopen($file, 'rb');
    if ($handle === false) {
        return false;
    }
    $head = fread($handle, 3);
    fseek($handle, -2, SEEK_END);
    $tail = fread($handle, 2);
    fclose($handle);
    if ($head !== "\xFF\xD8\xFF" || $tail !== "\xFF\xD9") {
        return false;
    }
    $info = @getimagesize($file);
    return is_array($info) && $info[2] === IMAGETYPE_JPEG;
}
