#!/usr/bin/perl
# Checks EDIFACT interchanges against the UN directory D.96A as Debian's
# libbusiness-edi-perl ships it (untdid/ED?D.d96a.csv, and the service segments of syntax
# version 2 in iso9735/SD?D.20000.csv):
#   - the envelope: UNB, one or more messages UNH ... UNT, UNZ; the UNT segment count,
#     the references of UNT and UNZ, the UNZ message count;
#   - each message's segments belong to its structure (EDMD) in order: segment groups are
#     entered by their first segment, mandatory segments and groups are there, no
#     segment or group repeats more often than it may (a segment beyond its maximum is
#     one that nothing in the structure takes there);
#   - each segment's data elements and composites fit the segment directory (EDSD,
#     EDCD, EDED): not too many, mandatory ones present, every value within its format
#     (a, n, an with exact or maximum length; numbers with one decimal mark and a sign);
#   - CNT+2 (number of line items) equals the number of LIN segments.
# Usage: check_d96a.pl FILE...   Prints "ok FILE" or the faults; exit 1 on a fault,
# 2 when the directory tables are missing.
use strict;
use warnings;

my $data;
eval {
  require Business::EDI;
  my $pm = $INC{'Business/EDI.pm'};
  ($data = $pm) =~ s{EDI\.pm$}{EDI/data/edifact};
  1;
} or do {
  print STDERR "check_d96a: Business::EDI (Debian package libbusiness-edi-perl) is not installed - run scripts/setup\n";
  exit 2;
};
for my $f ("untdid/EDMD.d96a.csv", "untdid/EDSD.d96a.csv", "untdid/EDCD.d96a.csv", "untdid/EDED.d96a.csv",
           "iso9735/SDSD.20000.csv", "iso9735/SDCD.20000.csv", "iso9735/SDED.20000.csv") {
  unless (-r "$data/$f") {
    print STDERR "check_d96a: $data/$f missing - run scripts/setup\n";
    exit 2;
  }
}

# ---- directory tables -------------------------------------------------------------------
my (%segment, %composite, %element, %message);

sub read_lines {
  my ($file) = @_;
  open(my $fh, '<', "$data/$file") or die "$file: $!";
  my @lines = map { s/\r?\n$//r } <$fh>;
  close $fh;
  return @lines;
}

# Segments: TAG;NAME;pos;code;M/C;repeat;...
for my $file ("untdid/EDSD.d96a.csv", "iso9735/SDSD.20000.csv") {
  for (read_lines($file)) {
    my @f = split /;/;
    my $tag = shift @f; shift @f;
    my @parts;
    while (@f >= 4) {
      my ($pos, $code, $mc, $rep) = splice(@f, 0, 4);
      push @parts, { code => $code, mandatory => $mc eq 'M', repeat => $rep };
    }
    $segment{$tag} = \@parts;
  }
}
# Composites: CODE;NAME;pos;element;M/C;format;...
for my $file ("untdid/EDCD.d96a.csv", "iso9735/SDCD.20000.csv") {
  for (read_lines($file)) {
    my @f = split /;/;
    my $code = shift @f; shift @f;
    my @parts;
    while (@f >= 4) {
      my ($pos, $el, $mc, $format) = splice(@f, 0, 4);
      push @parts, { code => $el, mandatory => $mc eq 'M', format => $format };
    }
    $composite{$code} = \@parts;
  }
}
# Simple elements: CODE;format;...
for my $file ("untdid/EDED.d96a.csv", "iso9735/SDED.20000.csv") {
  for (read_lines($file)) {
    my ($code, $format) = split /;/;
    $element{$code} = $format;
  }
}
# Message structures: TYPE:D:96A:UN::[SGn];NAME;(TAG|SGn;M/C;max;)...
for (read_lines("untdid/EDMD.d96a.csv")) {
  my @f = split /;/;
  my $id = shift @f; shift @f;
  my ($type, $group) = $id =~ /^(\w+):D:96A:UN::(SG\d+)?$/ or next;
  my @entries;
  while (@f >= 3) {
    my ($what, $mc, $max) = splice(@f, 0, 3);
    push @entries, { what => $what, mandatory => $mc eq 'M', max => $max };
  }
  $message{$type}{ $group // '' } = \@entries;
}

# ---- reading an interchange -------------------------------------------------------------
my @faults;

sub fault { push @faults, join('', @_); }

# The segments as [tag, [[components of element 1], [components of element 2], ...]].
sub parse {
  my ($text) = @_;
  my ($comp, $elem, $dec, $rel, $seg) = (':', '+', '.', '?', "'");
  if ($text =~ /^UNA(.)(.)(.)(.)(.)(.)/s) {
    ($comp, $elem, $dec, $rel, $seg) = ($1, $2, $3, $4, $6);
    $text = substr($text, 9);
  }
  my @segments;
  my @elements = ([]);
  my $value = '';
  my $i = 0;
  my $n = length $text;
  my $at_start = 1;
  while ($i < $n) {
    my $c = substr($text, $i++, 1);
    if ($at_start && ($c eq "\r" || $c eq "\n")) { next; }
    $at_start = 0;
    if ($c eq $rel) {
      if ($i >= $n) { fault("release character at the end"); last; }
      $value .= substr($text, $i++, 1);
    } elsif ($c eq $comp) {
      push @{ $elements[-1] }, $value; $value = '';
    } elsif ($c eq $elem) {
      push @{ $elements[-1] }, $value; $value = ''; push @elements, [];
    } elsif ($c eq $seg) {
      push @{ $elements[-1] }, $value; $value = '';
      my $tag = shift(@elements)->[0];
      push @segments, [$tag, [@elements]];
      @elements = ([]);
      $at_start = 1;
    } else {
      $value .= $c;
    }
  }
  fault("text after the last segment terminator") if $value ne '' || @{ $elements[0] };
  return @segments;
}

sub fits_format {
  my ($value, $format) = @_;
  my ($kind, $upto, $len) = $format =~ /^(an|a|n)(\.\.)?(\d+)$/ or return 0;
  if ($kind eq 'n') {
    return 0 unless $value =~ /^-?(\d*)(?:\.(\d*))?$/ && length("$1" . ($2 // '')) > 0;
    my $digits = length($1) + length($2 // '');
    return $upto ? $digits <= $len : $digits == $len;
  }
  return 0 if $kind eq 'a' && $value =~ /\d/;
  return $upto ? length($value) <= $len : length($value) == $len;
}

sub check_segment {
  my ($where, $tag, $elements) = @_;
  my $layout = $segment{$tag} or return fault("$where: $tag is not a segment of D.96A");
  my @slots = map { ($_) x $_->{repeat} } @$layout;
  fault("$where: $tag has ", scalar(@$elements), " data elements, at most ", scalar(@slots), " fit")
    if @$elements > @slots;
  for my $k (0 .. $#slots) {
    my $slot = $slots[$k];
    my $got = $k < @$elements ? $elements->[$k] : [];
    my $empty = !grep { $_ ne '' } @$got;
    if ($empty) {
      fault("$where: $tag element ", $k + 1, " ($slot->{code}) is mandatory") if $slot->{mandatory};
      next;
    }
    if (my $parts = $composite{ $slot->{code} }) {
      fault("$where: $tag composite $slot->{code} has ", scalar(@$got), " components, at most ", scalar(@$parts))
        if @$got > @$parts;
      for my $c (0 .. $#$parts) {
        my $v = $c < @$got ? $got->[$c] : '';
        if ($v eq '') {
          fault("$where: $tag $slot->{code} component ", $c + 1, " ($parts->[$c]{code}) is mandatory")
            if $parts->[$c]{mandatory};
          next;
        }
        fault("$where: $tag $slot->{code}/$parts->[$c]{code} \"$v\" is not $parts->[$c]{format}")
          unless fits_format($v, $parts->[$c]{format});
      }
    } else {
      my $format = $element{ $slot->{code} } or return fault("$where: element $slot->{code} is not in the directory");
      fault("$where: $tag element $slot->{code} is simple, \"", join(':', @$got), "\" has components") if @$got > 1;
      fault("$where: $tag $slot->{code} \"$got->[0]\" is not $format") unless fits_format($got->[0], $format);
    }
  }
}

# Matches the segments from $pos against a list of structure entries; the new position.
sub match_list {
  my ($type, $entries, $segs, $pos, $path) = @_;
  for my $e (@$entries) {
    my $group = $e->{what} =~ /^SG\d+$/ ? $message{$type}{ $e->{what} } : undef;
    my $trigger = $group ? $group->[0]{what} : $e->{what};
    my $count = 0;
    # At its maximum an entry takes no more: the segment is left to what follows (the next
    # repetition of the enclosing group), and one that nothing takes is reported at the end.
    while ($pos < @$segs && $segs->[$pos][0] eq $trigger && $count < $e->{max}) {
      $pos = $group ? match_list($type, $group, $segs, $pos, "$path$e->{what}/") : $pos + 1;
      ++$count;
    }
    fault("segment ", $pos + 1, ": mandatory $path$e->{what} missing before ", $pos < @$segs ? $segs->[$pos][0] : 'the end')
      if $e->{mandatory} && !$count;
  }
  return $pos;
}

sub check_message {
  my ($segs) = @_;    # UNH .. UNT
  my $id = $segs->[0][1][1] // [];
  my ($type, $version, $release, $agency) = @$id;
  return fault("UNH: message $type:$version:$release:$agency is not of directory D.96A")
    unless ($version // '') eq 'D' && ($release // '') eq '96A' && ($agency // '') eq 'UN';
  my $top = $message{$type} && $message{$type}{''} or return fault("UNH: no D.96A message $type");
  my $end = match_list($type, $top, $segs, 0, "$type/");
  fault("segment ", $end + 1, " ($segs->[$end][0]) is not allowed here in $type") if $end < @$segs;
  my $unt = $segs->[-1];
  fault("UNT counts $unt->[1][0][0] segments, the message has ", scalar(@$segs))
    unless ($unt->[1][0][0] // '') eq scalar(@$segs);
  fault("UNT reference differs from UNH") unless ($unt->[1][1][0] // '') eq ($segs->[0][1][0][0] // '');
  my $lines = grep { $_->[0] eq 'LIN' } @$segs;
  for my $cnt (grep { $_->[0] eq 'CNT' && ($_->[1][0][0] // '') eq '2' } @$segs) {
    fault("CNT+2 says $cnt->[1][0][1], the message has $lines LIN segments") unless $cnt->[1][0][1] eq $lines;
  }
}

my $bad = 0;
for my $file (@ARGV) {
  @faults = ();
  open(my $fh, '<:raw', $file) or do { print "$file: $!\n"; $bad = 1; next; };
  local $/;
  my $text = <$fh>;
  close $fh;
  fault("characters outside ISO 8859-1 printable text") if $text =~ /[^\x20-\x7E\xA0-\xFF\r\n]/;
  my @segs = parse($text);
  my $n = 0;
  for my $s (@segs) {
    ++$n;
    check_segment("segment $n", $s->[0], $s->[1]);
  }
  if (!@segs || $segs[0][0] ne 'UNB') {
    fault("the interchange does not begin with UNB");
  } elsif ($segs[-1][0] ne 'UNZ') {
    fault("the interchange does not end with UNZ");
  } else {
    my $messages = 0;
    my $i = 1;
    while ($i < $#segs) {
      if ($segs[$i][0] ne 'UNH') { fault("segment ", $i + 1, " ($segs[$i][0]) outside a message"); last; }
      my $j = $i;
      ++$j while $j < $#segs && $segs[$j][0] ne 'UNT';
      if ($segs[$j][0] ne 'UNT') { fault("message without UNT"); last; }
      check_message([@segs[$i .. $j]]);
      ++$messages;
      $i = $j + 1;
    }
    fault("UNZ counts $segs[-1][1][0][0] messages, there are $messages") unless ($segs[-1][1][0][0] // '') eq $messages;
    fault("UNZ reference differs from UNB") unless ($segs[-1][1][1][0] // '') eq ($segs[0][1][4][0] // '');
  }
  if (@faults) {
    $bad = 1;
    print "$file: $_\n" for @faults;
  } else {
    print "ok $file\n";
  }
}
exit $bad;
