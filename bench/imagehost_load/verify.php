<?php
// Checks what a load run left in a data folder: every upload that was
// answered with its image's name is stored once, byte for byte as it was
// sent, and nothing else is stored but uploads that were whole when the load
// tool stopped waiting for their answer (at the end of each run), each once
// and byte for byte too.
//
//   php verify.php JPEG IMAGES_FOLDER ACCEPTED_LIST...
//
// Each upload sent the JPEG with a comment segment "vitrix-bench N" after its
// first two bytes, N unique to that upload. Prints one line; exits 1 on a
// fault.
[$jpeg, $images] = [$argv[1], $argv[2]];
$lists = array_slice($argv, 3);
$sent = file_get_contents($jpeg);
$accepted = [];
foreach ($lists as $list) {
    foreach (file($list, FILE_IGNORE_NEW_LINES | FILE_SKIP_EMPTY_LINES) as $name) {
        $accepted[$name] = ($accepted[$name] ?? 0) + 1;
    }
}
$faults = [];
foreach ($accepted as $name => $times) {
    if ($times > 1) {
        $faults[] = "$name was given to $times uploads";
    }
}
$numbers = [];
$stored = 0;
$unanswered = 0;
foreach (scandir($images) as $entry) {
    if ($entry === '.' || $entry === '..') {
        continue;
    }
    $stored++;
    $bytes = file_get_contents("$images/$entry");
    if (!isset($accepted[$entry])) {
        $unanswered++;
    }
    if (!preg_match('/^\xFF\xD8\xFF\xFE\x00\x1Avitrix-bench ([0-9]{11})/', $bytes, $m)) {
        $faults[] = "$entry is not one of the uploads sent";
        continue;
    }
    $expected = substr($sent, 0, 2) . "\xFF\xFE\x00\x1Avitrix-bench " . $m[1] . substr($sent, 2);
    if ($bytes !== $expected) {
        $faults[] = "$entry differs from upload {$m[1]} as sent";
    }
    if (isset($numbers[$m[1]])) {
        $faults[] = "upload {$m[1]} is stored twice ({$numbers[$m[1]]}, $entry)";
    }
    $numbers[$m[1]] = $entry;
}
foreach ($accepted as $name => $_) {
    if (!is_file("$images/$name")) {
        $faults[] = "$name was answered but is not stored";
    }
}
if ($faults) {
    echo 'FAULT: ' . count($accepted) . " uploads answered, $stored files stored; "
        . implode('; ', array_slice($faults, 0, 5)) . (count($faults) > 5 ? '; ...' : '') . "\n";
    exit(1);
}
echo count($accepted) . " uploads answered, all stored, each once and byte for byte as sent; nothing else stored but "
    . "$unanswered uploads whose answer came after the load tool stopped waiting, each whole and once\n";
