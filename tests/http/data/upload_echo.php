<?php
// Answers a multipart upload with what PHP understood of the field "fichier":
// one "key=value" line per fact (texts in hexadecimal, so that any byte
// survives), an empty line, then the uploaded file's bytes exactly.
header('Content-Type: application/octet-stream');
if (!isset($_FILES['fichier'])) {
    echo "missing=1\n\n";
    return;
}
$file = $_FILES['fichier'];
echo 'error=', $file['error'], "\n";
echo 'size=', $file['size'], "\n";
echo 'name=', bin2hex($file['name']), "\n";
echo 'full_path=', bin2hex($file['full_path'] ?? ''), "\n";
echo 'type=', bin2hex($file['type']), "\n";
echo "\n";
if ($file['error'] === UPLOAD_ERR_OK) {
    readfile($file['tmp_name']);
}
