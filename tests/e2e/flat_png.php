<?php
// Writes a PNG of one colour, row by row, so that a picture far larger than
// memory allows can be made in little of it:
//   php flat_png.php WIDTH HEIGHT RRGGBB OUT.png [header-only]
// With header-only the file holds the signature, the header and an empty data
// chunk: readers learn the size and find no pixels.
[$width, $height, $colour, $out] = [(int)$argv[1], (int)$argv[2], $argv[3], $argv[4]];
$header_only = ($argv[5] ?? '') === 'header-only';

function chunk($type, $data) {
    return pack('N', strlen($data)) . $type . $data . pack('N', crc32($type . $data));
}

$file = fopen($out, 'wb');
fwrite($file, "\x89PNG\r\n\x1a\n");
fwrite($file, chunk('IHDR', pack('NNCCCCC', $width, $height, 8, 2, 0, 0, 0)));
if (!$header_only) {
    $row = "\0" . str_repeat(hex2bin($colour), $width);
    $deflate = deflate_init(ZLIB_ENCODING_DEFLATE, ['level' => 6]);
    $pending = '';
    for ($y = 0; $y < $height; $y++) {
        $pending .= deflate_add($deflate, $row, ZLIB_NO_FLUSH);
        if (strlen($pending) >= 1 << 20) {
            fwrite($file, chunk('IDAT', $pending));
            $pending = '';
        }
    }
    $pending .= deflate_add($deflate, '', ZLIB_FINISH);
    fwrite($file, chunk('IDAT', $pending));
} else {
    fwrite($file, chunk('IDAT', ''));
}
fwrite($file, chunk('IEND', ''));
fclose($file);
