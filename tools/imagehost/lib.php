<?php
// Shared pieces of the image host. Pages are written in Windows-1252, as the
// clients of this host read them; accented letters are byte escapes here.

// Whatever the server's settings, no error text reaches a page: errors go to
// the server's log, and the visitor gets a French page (below).
ini_set('display_errors', '0');

const COOKIE_NAME = 'vitrix_envoi';

// The fixed address at which every deployment of the host answers one line,
// "vitrix-imagehost" and the version of its dialogue (the file public/ holds
// under that name), so that a client can tell it from another web server.
const IDENTITY_PATH = '/vitrix-imagehost';

// Where serve keeps the images when IMAGEHOST_DATA names no folder: vitrix/imagehost
// in the user's data folder ($XDG_DATA_HOME, or ~/.local/share).
function default_data_dir(): string {
    $base = getenv('XDG_DATA_HOME') ?: (getenv('HOME') ?: '.') . '/.local/share';
    return "$base/vitrix/imagehost";
}

// The data folder: images/ holds the stored images under the names they are
// served at, incoming/ the files being received or stored (never served),
// usage the count and total size of the stored images.
function data_dir(): string {
    $dir = getenv('IMAGEHOST_DATA') ?: default_data_dir();
    foreach (['images', 'incoming'] as $sub) {
        // Two workers may both find the folder missing: the second mkdir
        // fails harmlessly.
        if (!is_dir("$dir/$sub") && !@mkdir("$dir/$sub", 0775, true) && !is_dir("$dir/$sub")) {
            throw new RuntimeException("cannot create $dir/$sub");
        }
    }
    return $dir;
}

// A whole number of the environment, or $default when it is unset, empty or
// not a positive number.
function setting(string $name, int $default): int {
    $value = getenv($name);
    if (!is_string($value) || !preg_match('/^[0-9]{1,18}$/', $value) || (int) $value <= 0) {
        return $default;
    }
    return (int) $value;
}

function max_bytes(): int {
    return setting('IMAGEHOST_MAX_BYTES', 20971520);
}

// The optional caps on what the host keeps; 0 is no cap.
function max_images(): int {
    return setting('IMAGEHOST_MAX_IMAGES', 0);
}

function max_total_bytes(): int {
    return setting('IMAGEHOST_MAX_TOTAL_BYTES', 0);
}

function send_page(string $title, string $body): void {
    if (!headers_sent()) {
        header('Content-Type: text/html; charset=windows-1252');
        header('X-Content-Type-Options: nosniff');
    }
    echo "<!DOCTYPE html>\r\n<html><head><meta charset=\"windows-1252\"><title>$title</title>"
        . "<style>body{font-family:sans-serif;margin:2em}.gras{font-weight:bold}</style></head>\r\n"
        . "<body>\r\n$body\r\n</body></html>\r\n";
}

function refusal_page(string $reason): string {
    return '<p class="gras">ERREUR : ' . $reason . '</p>' . "\r\n<p><a href=\"/\">Retour</a></p>";
}

function refuse(string $reason): void {
    send_page('Erreur', refusal_page($reason));
}

function refuse_too_large(): void {
    refuse('le fichier est trop volumineux (au plus ' . megabytes(max_bytes()) . ' Mo).');
}

// Anything thrown and not caught ends here: logged for the administrator,
// and a plain French page for the visitor, which names no file or setting.
set_exception_handler(function (Throwable $error): void {
    error_log('vitrix image host: ' . get_class($error) . ': ' . $error->getMessage()
        . ' in ' . $error->getFile() . ':' . $error->getLine());
    if (!headers_sent()) {
        http_response_code(500);
    }
    refuse("le service n'a pas pu traiter la demande ; r\xE9essayez plus tard.");
});

// A parameter of the query string, or null when it is missing or is not one
// plain text (?image[]=… gives an array).
function query_text(string $name): ?string {
    $value = $_GET[$name] ?? null;
    return is_string($value) ? $value : null;
}

// An upload in progress is a stored image name (32 hex digits + .jpg) and the
// token its cookie carries; both must come back on the follow-up requests.
function valid_name(mixed $name): bool {
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
    $name = query_text('image');
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
    if (!is_string($host) || !preg_match('/^([A-Za-z0-9.-]+|\[[0-9A-Fa-f:.]+\])(:[0-9]{1,5})?$/', $host)) {
        $host = '127.0.0.1:' . (int) ($_SERVER['SERVER_PORT'] ?? 80);
    }
    return 'http://' . $host . '/';
}

// Serves a stored image (PHP's built-in server only: a web server in front
// serves the data folder's files itself).
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

require_once __DIR__ . '/storage.php';
