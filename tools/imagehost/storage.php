<?php
// Storing the images: each arrives under a temporary name in incoming/ and is
// renamed into images/ only once it is whole and on disk, so that a crash or
// a killed worker never leaves a half file under a name that is served. The
// count and total size of the stored images are kept in the file "usage",
// changed only under an exclusive lock on it, so that the optional caps hold
// with any number of uploads at once.

// The result of an attempt to store an image.
final class Stored {
    public function __construct(public readonly ?string $name, public readonly ?string $refusal) {}
}

// Runs $change with the stored images' [count, bytes] while holding the lock.
// $change returns [the new figures or null to keep them, its result], and
// with_usage returns that result. The figures are counted again from the
// folder when the file is missing or unreadable.
function with_usage(string $dir, callable $change): mixed {
    $handle = fopen("$dir/usage", 'c+');
    if ($handle === false || !flock($handle, LOCK_EX)) {
        throw new RuntimeException("cannot lock $dir/usage");
    }
    try {
        $kept = preg_match('/^([0-9]+) ([0-9]+)\n$/', (string) stream_get_contents($handle), $m) === 1;
        $usage = $kept ? [(int) $m[1], (int) $m[2]] : count_stored($dir);
        $result = $change($usage, $dir);
        $after = $result[0] ?? ($kept ? null : $usage);
        if ($after !== null) {
            ftruncate($handle, 0);
            rewind($handle);
            fwrite($handle, $after[0] . ' ' . $after[1] . "\n");
            fflush($handle);
        }
        return $result[1];
    } finally {
        flock($handle, LOCK_UN);
        fclose($handle);
    }
}

// [count, bytes] of the images actually in the folder.
function count_stored(string $dir): array {
    $count = 0;
    $bytes = 0;
    foreach (scandir("$dir/images") ?: [] as $entry) {
        if (valid_name($entry)) {
            $size = @filesize("$dir/images/$entry");
            if ($size !== false) {
                $count++;
                $bytes += $size;
            }
        }
    }
    return [$count, $bytes];
}

// Why one more image of $size bytes would pass a cap, or null when it fits.
function cap_refusal(array $usage, int $size): ?string {
    [$count, $bytes] = $usage;
    if (max_images() > 0 && $count + 1 > max_images()) {
        return "l'h\xE9bergeur est plein : il garde au plus " . max_images()
            . " images. R\xE9essayez plus tard ou pr\xE9venez son administrateur.";
    }
    if (max_total_bytes() > 0 && $bytes + $size > max_total_bytes()) {
        return "l'h\xE9bergeur est plein : il garde au plus " . megabytes(max_total_bytes())
            . " Mo d'images. R\xE9essayez plus tard ou pr\xE9venez son administrateur.";
    }
    return null;
}

// A size in megabytes as French writes it: "20", "1,5".
function megabytes(int $bytes): string {
    $text = number_format($bytes / 1048576, 1, ',', "\xA0");
    return str_ends_with($text, ',0') ? substr($text, 0, -2) : $text;
}

// Stores the received upload $uploaded under a new random name.
function store_image(string $uploaded): Stored {
    $dir = data_dir();
    $name = bin2hex(random_bytes(16)) . '.jpg';
    $temporary = "$dir/incoming/$name.part";
    if (!move_uploaded_file($uploaded, $temporary)) {
        throw new RuntimeException("cannot move the upload to $temporary");
    }
    try {
        $size = filesize($temporary);
        sync_to_disk($temporary);
        $refusal = with_usage($dir, function (array $usage) use ($dir, $name, $temporary, $size): array {
            if (cap_refusal($usage, $size) !== null) {
                // Images removed by hand leave the figures too high: count
                // again before refusing.
                $usage = count_stored($dir);
                $refusal = cap_refusal($usage, $size);
                if ($refusal !== null) {
                    return [$usage, $refusal];
                }
            }
            if (!rename($temporary, "$dir/images/$name")) {
                throw new RuntimeException("cannot rename $temporary into images/");
            }
            return [[$usage[0] + 1, $usage[1] + $size], null];
        });
    } finally {
        if (is_file($temporary)) {
            unlink($temporary);
        }
    }
    return $refusal === null ? new Stored($name, null) : new Stored(null, $refusal);
}

// Forces the file's bytes to the disk, so that the name it is renamed to
// never stands for a file whose content a power cut would lose.
function sync_to_disk(string $file): void {
    $handle = fopen($file, 'rb');
    if ($handle === false || !fsync($handle)) {
        throw new RuntimeException("cannot sync $file");
    }
    fclose($handle);
}

// The administrator's clean-up: removes the images last written more than
// $days days ago and leftovers of uploads that never finished (older than an
// hour), then counts what is left. Returns [images removed, bytes freed,
// leftovers removed, [count, bytes] left].
function remove_old_images(string $dir, float $days, bool $dry_run): array {
    $before = time() - (int) round($days * 86400);
    return with_usage($dir, function (array $usage, string $dir) use ($before, $dry_run): array {
        $removed = 0;
        $freed = 0;
        foreach (scandir("$dir/images") ?: [] as $entry) {
            $file = "$dir/images/$entry";
            if (valid_name($entry) && ($time = @filemtime($file)) !== false && $time < $before) {
                $size = (int) @filesize($file);
                if ($dry_run || @unlink($file)) {
                    $removed++;
                    $freed += $size;
                }
            }
        }
        $leftovers = 0;
        foreach (scandir("$dir/incoming") ?: [] as $entry) {
            $file = "$dir/incoming/$entry";
            if (is_file($file) && ($time = @filemtime($file)) !== false && $time < time() - 3600) {
                if ($dry_run || @unlink($file)) {
                    $leftovers++;
                }
            }
        }
        $left = count_stored($dir);
        if ($dry_run) {
            $left = [$left[0] - $removed, $left[1] - $freed];
            return [null, [$removed, $freed, $leftovers, $left]];
        }
        return [$left, [$removed, $freed, $leftovers, $left]];
    });
}
