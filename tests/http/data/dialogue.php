<?php
// Router for the client's tests against PHP's built-in web server: the
// upload dialogue (302, 302, 200 with a cookie of path /) and bodies sent by
// length, in chunks framed by the script itself, or until the close.
$path = parse_url($_SERVER['REQUEST_URI'], PHP_URL_PATH);
$n = isset($_GET['n']) ? (int)$_GET['n'] : 0;

// n bytes of every value, the same for the same n.
function payload($n) {
    $data = '';
    for ($i = 0; strlen($data) < $n; $i++) {
        $data .= md5($i . ':' . $n, true);
    }
    return substr($data, 0, $n);
}

switch ($path) {
case '/envoyer.php':
    $size = isset($_FILES['fichier']) ? $_FILES['fichier']['size'] : -1;
    setcookie('sess', 'abc123', ['path' => '/']);
    header('Location: etape2.php?size=' . $size, true, 302);
    echo 'redirect body, never delivered';
    break;
case '/etape2.php':
    header('Location: resultat.php?size=' . ($_GET['size'] ?? '') . '&cookie=' . ($_COOKIE['sess'] ?? 'none'), true, 302);
    break;
case '/resultat.php':
    header('Content-Type: text/html');
    echo '<p>size=', $_GET['size'] ?? '', ' cookie=', $_COOKIE['sess'] ?? 'none', '</p>';
    echo '<p>Image H', "\xE9", 'berg', "\xE9", 'e : <a href="http://127.0.0.1/i/1.jpg">1.jpg</a></p>';
    break;
case '/length.php':
    $data = payload($n);
    header('Content-Length: ' . strlen($data));
    echo $data;
    break;
case '/chunked.php':
    header('Transfer-Encoding: chunked');
    $data = payload($n);
    for ($at = 0, $i = 0; $at < strlen($data); $i++) {
        $piece = substr($data, $at, 1 + ($i * 7919) % 5000);
        echo dechex(strlen($piece)), ($i % 2 ? ';part=' . $i : ''), "\r\n", $piece, "\r\n";
        $at += strlen($piece);
    }
    echo "0\r\n\r\n";
    break;
case '/close.php':
    echo payload($n);
    break;
default:
    http_response_code(404);
    echo 'no such page: ', $path;
}
