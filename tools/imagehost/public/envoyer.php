<?php
// First step of an upload: takes the form field "fichier", keeps it when it is
// a JPEG within the size limit, and sends the client on to the processing
// page with a cookie that ties the next requests to this upload.
require_once __DIR__ . '/../lib.php';

if (($_SERVER['REQUEST_METHOD'] ?? '') !== 'POST') {
    refuse('envoyez le fichier par le formulaire.');
    return;
}
if ((int) ($_SERVER['CONTENT_LENGTH'] ?? 0) > max_bytes() + 65536 && empty($_FILES)) {
    refuse_too_large();
    return;
}
$upload = $_FILES['fichier'] ?? null;
// Several files in the field (fichier[]=...) give arrays here: refused like none.
if (!is_array($upload) || !is_int($upload['error'] ?? null) || !is_string($upload['tmp_name'] ?? null)) {
    refuse("aucun fichier n'a \xE9t\xE9 re\xE7u dans le champ \"fichier\".");
    return;
}
switch ($upload['error']) {
    case UPLOAD_ERR_OK:
        break;
    case UPLOAD_ERR_INI_SIZE:
    case UPLOAD_ERR_FORM_SIZE:
        refuse_too_large();
        return;
    case UPLOAD_ERR_NO_FILE:
        refuse("aucun fichier n'a \xE9t\xE9 re\xE7u dans le champ \"fichier\".");
        return;
    case UPLOAD_ERR_NO_TMP_DIR:
    case UPLOAD_ERR_CANT_WRITE:
        error_log('vitrix image host: an upload could not be written (PHP upload error ' . $upload['error'] . ')');
        http_response_code(500);
        refuse("le fichier n'a pas pu \xEAtre enregistr\xE9 ; r\xE9essayez plus tard.");
        return;
    default:
        refuse("le fichier n'a pas pu \xEAtre re\xE7u en entier.");
        return;
}
if ($upload['size'] > max_bytes()) {
    refuse_too_large();
    return;
}
if ($upload['size'] === 0 || !is_jpeg($upload['tmp_name'])) {
    refuse('le fichier n\'est pas une image JPEG.');
    return;
}

$stored = store_image($upload['tmp_name']);
if ($stored->refusal !== null) {
    refuse($stored->refusal);
    return;
}
$name = $stored->name;
// The cookie is marked secure when the upload came over https, so that it
// never goes out over plain http.
setcookie(COOKIE_NAME, token_for($name),
    ['path' => '/', 'httponly' => true, 'secure' => ($_SERVER['HTTPS'] ?? '') === 'on']);
header('Location: traitement.php?image=' . $name, true, 302);
