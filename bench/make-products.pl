#!/usr/bin/perl
# Generates the media of a setup script with many products of one file each:
#   DIR/setup.inf   COUNT products (BenchP0000...), each with an install and a remove section
#                   and a file list of its own; the setup-level Install section copies setup.exe
#                   and setup.inf; [Bare] queues every product's file list for the bare Setup API
#   DIR/bare.inf    the same script with the file lists going to C:\Bench Bare instead of the
#                   directory id 32768, which rundll32 cannot bind
#   DIR/pNNNN.txt   the product files
#
#   make-products.pl DIR COUNT
use strict;
use warnings;

my ($dir, $count) = @ARGV;
die "usage: make-products.pl DIR COUNT\n" unless defined $count;
mkdir $dir;

my @products = map { sprintf('%04d', $_) } 0 .. $count - 1;
my @inf = ('[Version]', 'Signature="$Chicago$"', '', '[Products]');
push @inf, "BenchP$_ = \"Bench product $_\", P$_.Install, P$_.Remove, 1, 0, \"One file.\", 1.0"
  for @products;
push @inf, '', '[Install]', 'Uninstall = BenchProducts, "Bench products"', 'CopyFiles = Setup.Files',
  '', '[Remove]', 'DelFiles = Setup.Files', '', '[Bare]';
push @inf, "CopyFiles = P$_.Files" for @products;
push @inf, '', '[DestinationDirs]', 'DefaultDestDir = 24, "Bench Products"', 'Setup.Files = 32768';
push @inf, "P$_.Files = 32768" for @products;
push @inf, '', '[Setup.Files]', 'setup.exe', 'setup.inf';
for (@products) {
  push @inf, '', "[P$_.Install]", "CopyFiles = P$_.Files", "[P$_.Remove]", "DelFiles = P$_.Files",
    "[P$_.Files]", "p$_.txt";
  open(my $file, '>', "$dir/p$_.txt") or die "$dir/p$_.txt: $!\n";
  print $file "product $_\r\n";
  close $file;
}
sub write_inf {
  my ($name, @lines) = @_;
  open(my $out, '>', "$dir/$name") or die "$dir/$name: $!\n";
  print $out join("\r\n", @lines), "\r\n";
  close $out;
}
write_inf('setup.inf', @inf);
write_inf('bare.inf', map { s/^(P\d+\.Files) = 32768$/$1 = 24, "Bench Bare"/r } @inf);
