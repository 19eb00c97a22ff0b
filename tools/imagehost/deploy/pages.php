<?php
// Writes the static pages of the nginx deployment into the folder given as
// the one argument: the home page, and the error pages nginx answers itself
// (no such page, a body over the size limit, too many requests, PHP not
// answering). They have the shape of the host's own pages, so that a client
// that looks for the error marker finds it there too.
require_once __DIR__ . '/../lib.php';

$out = $argv[1] ?? '';
if ($out === '' || !is_dir($out)) {
    fwrite(STDERR, "usage: pages.php FOLDER\n");
    exit(2);
}

function write_page(string $file, callable $page): void {
    ob_start();
    $page();
    file_put_contents($file, ob_get_clean());
}

write_page("$out/index.html", function (): void {
    require __DIR__ . '/../public/index.php';
});
$errors = [
    '404' => ['Page introuvable', "cette page n'existe pas."],
    '413' => ['Fichier trop volumineux', 'le fichier est trop volumineux (au plus ' . megabytes(max_bytes()) . ' Mo).'],
    '429' => ['Trop de demandes', "trop d'envois en peu de temps depuis votre adresse ; r\xE9essayez dans une minute."],
    '50x' => ['Service indisponible', "le service n'a pas pu traiter la demande ; r\xE9essayez plus tard."],
];
foreach ($errors as $code => [$title, $reason]) {
    write_page("$out/erreur-$code.html", fn() => send_page($title, refusal_page($reason)));
}
