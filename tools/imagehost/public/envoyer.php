<?php
// First step of an upload: takes the form field "fichier", keeps it when it is
// a JPEG within the size limit, and sends the client on to the processing
// page with a cookie that ties the next requests to this upload.
require_once __DIR__ . '/../lib.php';

if ($_SERVER['REQUEST_METHOD'] !== 'POST') {
    refuse('envoyez le fichier par le formulaire.');
    return;
}
if ((int) ($_SERVER['CONTENT_LENGTH'] ?? 0) > max_bytes() + 65536 && empty($_FILES)) {
    refuse('le fichier est trop volumineux (au plus ' . intdiv(max_bytes(), 1048576) . ' Mo).');
    return;
}
$upload = $_FILES['fichier'] ?? null;
if (!is_array($upload) || !isset($upload['error']) || is_array($upload['error'])) {
    refuse("aucun fichier n'a \xE9t\xE9 re\xE7u dans le champ \"fichier\".");
    return;
}
switch ($upload['error']) {
    case UPLOAD_ERR_OK:
        break;
    case UPLOAD_ERR_INI_SIZE:
    case UPLOAD_ERR_FORM_SIZE:
        refuse('le fichier est trop volumineux (au plus ' . intdiv(max_bytes(), 1048576) . ' Mo).');
        return;
    case UPLOAD_ERR_NO_FILE:
        refuse("aucun fichier n'a \xE9t\xE9 re\xE7u dans le champ \"fichier\".");
        return;
    default:
        refuse("le fichier n'a pas pu \xEAtre re\xE7u en entier.");
        return;
}
if ($upload['size'] > max_bytes()) {
    refuse('le fichier est trop volumineux (au plus ' . intdiv(max_bytes(), 1048576) . ' Mo).');
    return;
}
if ($upload['size'] === 0 || !is_jpeg($upload['tmp_name'])) {
    refuse('le fichier n\'est pas une image JPEG.');
    return;
}

$name = bin2hex(random_bytes(16)) . '.jpg';
if (!move_uploaded_file($upload['tmp_name'], data_dir() . '/images/' . $name)) {
    http_response_code(500);
    refuse("l'image n'a pas pu \xEAtre enregistr\xE9e.");
    return;
}

setcookie(COOKIE_NAME, token_for($name), ['path' => '/', 'httponly' => true]);
header('Location: traitement.php?image=' . $name, true, 302);
