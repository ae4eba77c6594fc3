#!/usr/bin/perl
# A monitoring consumer's reading of kestrane-check's plug-in output: each input line is an exit code,
# a tab and the status line. The performance data are parsed and judged by Debian's
# Monitoring::Plugin (the plug-in guidelines' range rules); the state they give must be the exit code
# and the status word. Prints what disagrees; exits 1 if anything does.
use strict;
use warnings;
use Monitoring::Plugin::Performance;

my %states = (OK => 0, WARNING => 1, CRITICAL => 2, UNKNOWN => 3);
my ($lines, $disagreements) = (0, 0);
while (my $line = <STDIN>) {
  chomp $line;
  next if $line eq '';
  $lines++;
  my ($exit, $status) = split /\t/, $line, 2;
  my ($word) = $status =~ /^DISKFREE (\w+) - /;
  my (undef, $perfdata) = split / \| /, $status, 2;
  $perfdata //= '';
  my @perfs = Monitoring::Plugin::Performance->parse_perfstring($perfdata);
  my $entries = () = $perfdata =~ /=/g;
  my $state = 0;
  for my $p (@perfs) {
    my $s = $p->threshold->get_status($p->value);
    $state = $s if $s > $state;
  }
  if (!defined $word || @perfs != $entries || $state != $exit || $states{$word} != $exit) {
    $disagreements++;
    print "exit $exit, performance data give $state (" . scalar(@perfs) . " of $entries entries read): $status\n";
  }
}
print "$lines read, $disagreements disagree\n";
exit($disagreements || !$lines ? 1 : 0);
