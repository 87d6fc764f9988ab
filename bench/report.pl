#!/usr/bin/perl
# Turns the raw timings of scripts/bench.sh into the markdown report.
#   report.pl RAW SIZES PACKSIZES I686_EXE STUBS STARTED RUNS LARGE_RUNS QUICK ELAPSED LOAD_BEFORE LOAD_AFTER WINE NSIS PAYLOAD...
# RAW lines: payload, case, run, seconds, peak KiB (tab-separated). PACKSIZES lines: payload,
# bytes of the media's files, of the packed file, of NSIS's zlib and uncompressed installers.
# PAYLOAD: "name files size folders label".
use strict;
use warnings;

my ($raw, $sizes, $packsizes, $i686, $stubs, $started, $runs, $large_runs, $quick, $elapsed, $load_before,
    $load_after, $wine, $nsis, @payloads) = @ARGV;

my (%times, %peak);
open(my $in, '<', $raw) or die "$raw: $!\n";
while (<$in>) {
  chomp;
  my ($payload, $case, $run, $seconds, $kib) = split /\t/;
  push @{$times{$payload}{$case}}, $seconds;
  $kib = 0 unless defined $kib && $kib =~ /^\d+$/;
  $peak{$payload}{$case} = $kib if !defined $peak{$payload}{$case} || $kib > $peak{$payload}{$case};
}
close($in);

sub median {
  my @v = sort { $a <=> $b } @_;
  return undef unless @v;
  my $n = @v;
  return $n % 2 ? $v[($n - 1) / 2] : ($v[$n / 2 - 1] + $v[$n / 2]) / 2;
}
sub med { my ($p, $c) = @_; return median(@{$times{$p}{$c} || []}); }
sub range {
  my ($p, $c) = @_;
  my @v = sort { $a <=> $b } @{$times{$p}{$c} || []};
  return @v ? sprintf('%.3f–%.3f', $v[0], $v[-1]) : '';
}
sub ratio {
  my ($a, $b) = @_;
  return 'n/a' unless defined $a && defined $b && $b > 0;
  return sprintf('%.2fx', $a / $b);
}
sub mib { my $k = shift; return defined $k && $k ? sprintf('%.0f', $k / 1024) : ''; }
sub num { my $n = shift; 1 while $n =~ s/^(\d+)(\d{3})/$1,$2/; return $n; }

# Start-up of each tool, subtracted from its runs for the cost per file.
my $start_noop = med('empty', 'start noop.exe');
my $start_window = med('empty', 'start onewindow.exe');
my $start_setup = med('empty', 'start setup.exe quiet');
my $start_silent = med('empty', 'start setup.exe silent');
my $start_api = med('empty', 'start Setup API');
my %startup_of = (
  'install cp -r' => 0, 'remove rm -r' => 0,
  'install Setup API' => $start_api, 'remove Setup API' => $start_api,
  'install NSIS store' => $start_noop, 'install NSIS zlib' => $start_noop,
  'install setup.exe quiet' => $start_setup, 'remove setup.exe quiet' => $start_setup,
  'install setup.exe silent' => $start_silent, 'remove setup.exe silent' => $start_silent,
  'reinstall Setup API' => $start_api, 'reinstall setup.exe silent' => $start_silent,
  'install baseline.exe silent' => $start_silent, 'reinstall baseline.exe silent' => $start_silent,
  'remove baseline.exe silent' => $start_silent,
  'install setup.exe packed silent' => $start_silent,
);
sub per_file_ms {
  my ($p, $c, $files) = @_;
  my $m = med($p, $c);
  return undef unless defined $m && defined $startup_of{$c};
  return 1000 * ($m - $startup_of{$c}) / $files;
}

my @install = ('install cp -r', 'install Setup API', 'install NSIS store', 'install NSIS zlib',
               'install setup.exe quiet', 'install setup.exe silent', 'install baseline.exe silent',
               'install setup.exe packed silent');
my @reinstall = ('reinstall Setup API', 'reinstall setup.exe silent', 'reinstall baseline.exe silent');
my @remove = ('remove rm -r', 'remove Setup API', 'remove setup.exe quiet', 'remove setup.exe silent',
              'remove baseline.exe silent');
my %shown = (
  'install cp -r' => 'cp -r', 'install Setup API' => 'Setup API (rundll32 InstallHinfSection)',
  'install NSIS store' => 'NSIS, no compression', 'install NSIS zlib' => 'NSIS, default (zlib)',
  'install setup.exe quiet' => '**setup.exe /quiet**', 'install setup.exe silent' => '**setup.exe /silent**',
  'install setup.exe packed silent' => '**packed file /silent** (unpacking included)',
  'remove rm -r' => 'rm -r', 'remove Setup API' => 'Setup API (DelFiles via InstallHinfSection)',
  'remove setup.exe quiet' => '**setup.exe /quiet /remove:Bench**',
  'remove setup.exe silent' => '**setup.exe /silent /remove:Bench**',
  'install baseline.exe silent' => 'the earlier build, /silent', 'reinstall Setup API' => 'Setup API again',
  'reinstall setup.exe silent' => '**setup.exe /silent** again',
  'reinstall baseline.exe silent' => 'the earlier build, /silent again',
  'remove baseline.exe silent' => 'the earlier build, /silent /remove:Bench',
);

print "### Benchmark results", ($quick ? ' (quick mode: reduced payloads, not for comparison)' : ''), "\n\n";
print "Run of $started: $runs timed runs per case after one warm-up round, installers interleaved ",
      "(their order turns every round), medians. ",
      ($large_runs < $runs ? "The largest payload had only $large_runs timed runs (in the first rounds, no warm-up of its own) to keep the run short. " : ''),
      "$wine, NSIS $nsis ($stubs), x86_64 `setup.exe`. The whole run took ", int($elapsed / 60), " min ",
      $elapsed % 60, " s.\n\n";
print "Load: before `", ($load_before =~ s/^\s+//r), "`, after `", ($load_after =~ s/^\s+//r), "`.\n\n";
print "Times are wall-clock seconds of the whole process as Linux sees it, Wine's process start ",
      "included, one warm wineserver for every case, each case started after a `sync` of what ",
      "the case before wrote. *Peak* is the maximum resident set size of ",
      "the Linux process that runs the Windows program (GNU time's `%M` on the `wine64` process, ",
      "Wine's own libraries included; for cp and rm their own process), the highest of all runs. ",
      "*ms/file* subtracts the tool's start-up (below) before dividing by the file count. ",
      "Every install was checked for the right number of files and bytes, every removal for ",
      "no file left.\n\n";

for my $section (['Install', \@install, 'install Setup API', 'install cp -r'],
                 ['Install again over the installed copy', \@reinstall, 'reinstall Setup API',
                  'install cp -r'],
                 ['Removal', \@remove, 'remove Setup API', 'remove rm -r']) {
  my ($title, $cases, $bare, $plain) = @$section;
  next unless @payloads;
  print "#### $title\n\n";
  print "| Payload | Case | Median s | Min–max s | ×Setup API | ×plain | ms/file | Peak MiB |\n";
  print "|---|---|---:|---:|---:|---:|---:|---:|\n";
  for my $p (@payloads) {
    my ($name, $files, $size, $folders, @label) = split ' ', $p;
    my $label = join(' ', @label);
    for my $c (@$cases) {
      my $m = med($name, $c);
      next unless defined $m;
      my $pf = per_file_ms($name, $c, $files);
      printf "| %s | %s | %.3f | %s | %s | %s | %s | %s |\n", $label, $shown{$c}, $m,
        range($name, $c), ratio($m, med($name, $bare)), ratio($m, med($name, $plain)),
        defined $pf ? sprintf('%.3f', $pf) : '', mib($peak{$name}{$c});
      $label = '';
    }
  }
  print "\n";
}

# Cost per file as the count grows (1 KiB files, 200 to a folder).
my @series = grep { /^n\d+ / } @payloads;
my ($first) = @series;
my ($last) = reverse @series;
my %growth;
if (@series >= 2) {
  my ($fname, $ffiles) = split ' ', $first;
  my ($lname, $lfiles) = split ' ', $last;
  print "#### Cost per file as the file count grows (ms per file, start-up subtracted)\n\n";
  print "| Case | ", join(' | ', map { my @f = split ' '; num($f[1]) . ' files' } @series),
        " | ", num($lfiles), " / ", num($ffiles), " |\n";
  print "|---|", join('', map { '---:|' } @series), "---:|\n";
  for my $c (@install, @remove) {
    my @cells;
    for my $s (@series) {
      my ($n, $files) = split ' ', $s;
      my $pf = per_file_ms($n, $c, $files);
      push @cells, defined $pf ? sprintf('%.3f', $pf) : '';
    }
    my $a = per_file_ms($lname, $c, $lfiles);
    my $b = per_file_ms($fname, $c, $ffiles);
    $growth{$c} = (defined $a && defined $b && $b > 0) ? $a / $b : undef;
    printf "| %s | %s | %s |\n", $shown{$c}, join(' | ', @cells),
      defined $growth{$c} ? sprintf('%.2fx', $growth{$c}) : 'n/a';
  }
  print "\n";
}

# The media as one packed file: its size against NSIS's, the time to pack, and a silent install
# from it against the same install from the media folder.
my (%pack_size, %packed_ratio);
if (open(my $ps, '<', $packsizes)) {
  while (<$ps>) {
    chomp;
    my ($name, @bytes) = split /\t/;
    $pack_size{$name} = \@bytes;
  }
  close($ps);
}
if (%pack_size) {
  print "#### One packed file (setup.exe /pack:)\n\n";
  print "| Payload | Media files bytes | Packed file bytes | NSIS zlib bytes | NSIS uncompressed bytes | ",
        "Packed ×NSIS zlib | Time to pack s | /silent from the packed file s | from the media folder s | ×media |\n";
  print "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for my $p (@payloads) {
    my ($name, $files, $size, $folders, @label) = split ' ', $p;
    next unless $pack_size{$name};
    my ($media, $packed, $zlib, $store) = @{$pack_size{$name}};
    my ($pack, $from_packed, $from_media) =
      (med($name, 'pack setup.exe'), med($name, 'install setup.exe packed silent'),
       med($name, 'install setup.exe silent'));
    $packed_ratio{$name} = defined $from_packed && defined $from_media && $from_media > 0
                           ? $from_packed / $from_media : undef;
    printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", join(' ', @label), num($media),
      num($packed), num($zlib), num($store), ratio($packed, $zlib),
      defined $pack ? sprintf('%.3f', $pack) : '', defined $from_packed ? sprintf('%.3f', $from_packed) : '',
      defined $from_media ? sprintf('%.3f', $from_media) : '', ratio($from_packed, $from_media);
  }
  print "\n";
}

print "#### Start-up\n\n| Program | Median s | Min–max s | Peak MiB |\n|---|---:|---:|---:|\n";
for my $c ('start noop.exe', 'start onewindow.exe', 'start Setup API', 'start setup.exe quiet',
           'start setup.exe silent') {
  my $m = med('empty', $c);
  next unless defined $m;
  my %what = ('start noop.exe' => 'trivial program (tests/tools/noop)',
              'start onewindow.exe' => 'trivial program that shows one window (tests/tools/onewindow)',
              'start Setup API' => 'Setup API on a section that copies setup.exe and setup.inf',
              'start setup.exe quiet' => '**setup.exe /quiet**, a script that copies only setup.exe and setup.inf',
              'start setup.exe silent' => '**setup.exe /silent**, a script that copies only setup.exe and setup.inf');
  printf "| %s | %.3f | %s | %s |\n", $what{$c}, $m, range('empty', $c), mib($peak{empty}{$c});
}
print "\n#### Size and imports\n\n";
open(my $s, '<', $sizes) or die "$sizes: $!\n";
print while <$s>;
close($s);
print "\n";

# The targets, each met or missed.
print "#### Targets\n\n| Target | Measured | Met |\n|---|---|---|\n";
# Each against the bare Setup API; the install record and the copies kept for a rollback
# against the earlier build in the same rounds: a fresh install within 1.05x, an install over
# the installed copy within 1.3x.
my $api = 'the Setup API';
my $earlier = 'the earlier build';
for my $pair (['/quiet install', 'install setup.exe quiet', 'install Setup API', 1.05, $api],
              ['/quiet removal', 'remove setup.exe quiet', 'remove Setup API', 1.05, $api],
              ['/silent install', 'install setup.exe silent', 'install Setup API', 1.05, $api],
              ['/silent removal', 'remove setup.exe silent', 'remove Setup API', 1.05, $api],
              ['fresh /silent install', 'install setup.exe silent', 'install baseline.exe silent',
               1.05, $earlier],
              ['/silent install over the installed copy', 'reinstall setup.exe silent',
               'reinstall baseline.exe silent', 1.3, $earlier]) {
  my ($what, $ours, $reference, $limit, $against) = @$pair;
  my @cells;
  my $ok = 1;
  for my $p (@payloads) {
    my ($name) = split ' ', $p;
    my ($a, $b) = (med($name, $ours), med($name, $reference));
    next unless defined $a && defined $b && $b > 0;
    push @cells, sprintf('%s %.2fx', $name, $a / $b);
    $ok = 0 if $a / $b > $limit;
  }
  next unless @cells;
  printf "| %s within %.2fx of %s on every payload | %s | %s |\n", $what, $limit, $against,
    join(', ', @cells), $ok ? 'yes' : '**no**';
}
# A quiet run adds the wizard's fixed cost to a silent one, nothing per file.
for my $pair (['install', 'install setup.exe quiet', 'install setup.exe silent'],
              ['removal', 'remove setup.exe quiet', 'remove setup.exe silent']) {
  my ($what, $quiet, $silent) = @$pair;
  my @cells;
  my $ok = 1;
  for my $p (@payloads) {
    my ($name) = split ' ', $p;
    my ($a, $b) = (med($name, $quiet), med($name, $silent));
    next unless defined $a && defined $b;
    push @cells, sprintf('%s %+.3f s', $name, $a - $b);
    $ok = 0 if $a - $b > 0.15;
  }
  next unless @cells;
  printf "| /quiet %s within 0.15 s of /silent on every payload | %s | %s |\n", $what,
    join(', ', @cells), $ok ? 'yes' : '**no**';
}
# Removal per file, start-up subtracted, against the Setup API's on the largest payloads.
{
  my @cells;
  my $ok = 1;
  for my $p (@payloads) {
    my ($name, $files) = split ' ', $p;
    next unless $files >= 1000;
    my $a = per_file_ms($name, 'remove setup.exe silent', $files);
    my $b = per_file_ms($name, 'remove Setup API', $files);
    next unless defined $a && defined $b && $b > 0;
    push @cells, sprintf('%s %.3f/%.3f ms %.2fx', $name, $a, $b, $a / $b);
    $ok = 0 if $a / $b > 1.1;
  }
  printf "| /silent removal within 1.1x of the Setup API per file (payloads of 1,000 files or more) | %s | %s |\n",
    join(', ', @cells), $ok ? 'yes' : '**no**' if @cells;
}
for my $pair (['install', 'install setup.exe silent', 'install Setup API'],
              ['removal', 'remove setup.exe silent', 'remove Setup API']) {
  my ($what, $ours, $bare) = @$pair;
  next unless defined $growth{$ours} && defined $growth{$bare} && $growth{$bare} > 0;
  my $beyond = $growth{$ours} / $growth{$bare};
  printf "| %s cost per file flat: growth from the smallest to the largest count at most 1.2x the Setup API's | setup.exe %.2fx, Setup API %.2fx: %.2fx beyond | %s |\n",
    $what, $growth{$ours}, $growth{$bare}, $beyond, $beyond <= 1.2 ? 'yes' : '**no**';
}
for my $case (['/quiet', $start_setup], ['/silent', $start_silent]) {
  my ($what, $start) = @$case;
  next unless defined $start && defined $start_noop;
  my $d = $start - $start_noop;
  my $w = defined $start_window ? sprintf(' (%+.3f s against one that shows a window)', $start - $start_window) : '';
  printf "| start-up of %s within 0.3 s of a trivial program (noop) | %.3f s more%s | %s |\n", $what,
    $d, $w, $d <= 0.3 ? 'yes' : '**no**';
}
if ($pack_size{small4k}) {
  my ($media, $packed, $zlib) = @{$pack_size{small4k}};
  printf "| packed file within 1.1x of NSIS (zlib) in size on the 2,000-file payload | %s against %s bytes, %.2fx | %s |\n",
    num($packed), num($zlib), $packed / $zlib, $packed / $zlib <= 1.1 ? 'yes' : '**no**';
}
{
  my @cells = map { sprintf('%s %.2fx', $_, $packed_ratio{$_}) }
              grep { defined $packed_ratio{$_} } map { (split ' ')[0] } @payloads;
  my $ok = !grep { $packed_ratio{$_} > 1.2 } grep { defined $packed_ratio{$_} } keys %packed_ratio;
  printf "| /silent install from the packed file within 1.2x of the media folder's, unpacking included, on every payload | %s | %s |\n",
    join(', ', @cells), $ok ? 'yes' : '**no**' if @cells;
}
if (-f $i686) {
  my $b = -s $i686;
  printf "| i686 setup.exe at most 300 KB (300,000 bytes) | %s bytes | %s |\n", num($b),
    $b <= 300000 ? 'yes' : '**no**';
} else {
  print "| i686 setup.exe at most 300 KB | not built | n/a |\n";
}
