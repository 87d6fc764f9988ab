#!/usr/bin/perl
# Generates one benchmark payload, the same files in every form the installers need:
#   DIR/media/      flat source folder: the files, setup.inf (and setup.exe, copied in by bench.sh)
#   DIR/tree/       the installed layout as hard links to the media files, for cp -r
#   DIR/store.nsi   NSIS script without compression; DIR/zlib.nsi with NSIS's default (zlib)
#   DIR/expected    "files bytes" of the installed target (setup.exe and setup.inf included)
#
#   make-payload.pl DIR FILES SIZE FOLDERS SETUP_EXE TARGET_WINDOWS_PATH TARGET_NAME
#
# The files are text-like (about 3:1 for zlib) so that compression has real work to do. Source
# names are unique and flat: a script without [SourceDisksFiles] takes every file from the
# source root, which is the fast path of the Setup API.
use strict;
use warnings;

my ($dir, $files, $size, $folders, $setup_exe, $target, $target_name) = @ARGV;
die "usage: make-payload.pl DIR FILES SIZE FOLDERS SETUP_EXE TARGET TARGET_NAME\n"
  unless defined $target_name;
my $per_folder = int(($files + $folders - 1) / $folders);

mkdir $dir;
mkdir "$dir/media" or die "mkdir $dir/media: $!\n";
mkdir "$dir/tree" or die "mkdir $dir/tree: $!\n";

# Deterministic pseudo-random tokens: the same payload on every machine and every run.
my $seed = 12345;
sub token {
  $seed = ($seed * 1103515245 + 12345) & 0x7fffffff;
  return sprintf('%08x', $seed);
}

my @names;
my @folder_of;
my $bytes = 0;
for my $i (0 .. $files - 1) {
  my $name = sprintf('f%05d.bin', $i);
  my $folder = sprintf('d%03d', int($i / $per_folder));
  push @names, $name;
  push @folder_of, $folder;
  my $text = '';
  while (length($text) < $size) {
    $text .= "file $i line " . length($text) . ' ' . token() . token() . " payload data\r\n";
  }
  $text = substr($text, 0, $size);
  open(my $out, '>:raw', "$dir/media/$name") or die "$dir/media/$name: $!\n";
  print $out $text;
  close($out);
  $bytes += $size;
}

my @used_folders;
my %seen;
for my $f (@folder_of) { push @used_folders, $f unless $seen{$f}++; }

# The setup script: one product whose install section copies every file and whose remove
# section deletes them; setup.exe and setup.inf go last so that the target folder empties out.
my $inf = "[Version]\r\nSignature=\"\$Chicago\$\"\r\n\r\n";
$inf .= "[Products]\r\nBench = \"Benchmark payload\", Bench.Install, Bench.Remove, 1, 0, "
      . "\"Generated files\", 1.0\r\n\r\n";
my $lists = join(', ', (map { uc $_ } @used_folders), 'Setup.Files');
$inf .= "[Bench.Install]\r\nCopyFiles = $lists\r\n\r\n";
$inf .= "[Bench.Remove]\r\nDelFiles = $lists\r\n\r\n";
$inf .= "[DestinationDirs]\r\nDefaultDestDir = 24, \"$target_name\"\r\n";
$inf .= "Setup.Files = 24, \"$target_name\"\r\n";
$inf .= sprintf("%s = 24, \"%s\\%s\"\r\n", uc $_, $target_name, $_) for @used_folders;
$inf .= "\r\n[Setup.Files]\r\nsetup.exe\r\nsetup.inf\r\n";
for my $f (@used_folders) {
  $inf .= "\r\n[" . uc($f) . "]\r\n";
  for my $i (0 .. $files - 1) {
    $inf .= "$names[$i]\r\n" if $folder_of[$i] eq $f;
  }
}
open(my $out, '>:raw', "$dir/media/setup.inf") or die "setup.inf: $!\n";
print $out $inf;
close($out);

system('cp', $setup_exe, "$dir/media/setup.exe") == 0 or die "copy of setup.exe failed\n";
my $setup_bytes = (-s "$dir/media/setup.exe") + (-s "$dir/media/setup.inf");

# The installed layout for cp -r: hard links share the media's data and page cache.
for my $f (@used_folders) { mkdir "$dir/tree/$f" or die "mkdir: $!\n"; }
for my $i (0 .. $files - 1) {
  link("$dir/media/$names[$i]", "$dir/tree/$folder_of[$i]/$names[$i]") or die "link: $!\n";
}
for my $n ('setup.exe', 'setup.inf') {
  link("$dir/media/$n", "$dir/tree/$n") or die "link: $!\n";
}

# NSIS: 64-bit stub (this machine runs no 32-bit programs), silent, the tree's layout.
for my $kind ('store', 'zlib') {
  my $nsi = "Unicode true\nTarget amd64-unicode\n";
  $nsi .= $kind eq 'store' ? "SetCompress off\n" : "SetCompressor zlib\n";
  $nsi .= "SetDatablockOptimize off\nName \"Benchmark payload\"\nOutFile \"$dir/$kind.exe\"\n";
  $nsi .= "InstallDir \"$target\"\nRequestExecutionLevel user\nSilentInstall silent\n";
  # One recursive File command: makensis takes time quadratic in the number of File lines.
  $nsi .= "Section\n  SetOutPath \"\$INSTDIR\"\n  File /r \"$dir/tree/*.*\"\n";
  $nsi .= "SectionEnd\n";
  open(my $n, '>', "$dir/$kind.nsi") or die "$kind.nsi: $!\n";
  print $n $nsi;
  close($n);
}

open(my $e, '>', "$dir/expected") or die "expected: $!\n";
printf $e "%d %d\n", $files + 2, $bytes + $setup_bytes;
close($e);
