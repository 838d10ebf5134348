#!/usr/bin/env python3
"""Shows a printout (.prn: code page 852, printer control bytes, CR LF) readably.

  show_prn.py FILE          as on paper: overstruck letters merged into one column,
                            printer sequences taken out and listed after the line,
                            form feeds as a "page" rule, a column ruler on top
  show_prn.py --raw FILE    every control byte spelled out: <ESC> <BS> <FF> <CR><LF>
"""
import sys

OVERSTRIKE = {
    ("a", ","): "ą", ("e", ","): "ę", ("c", "'"): "ć", ("s", "'"): "ś", ("o", "'"): "ó",
    ("l", "/"): "ł", ("A", ","): "Ą", ("E", ","): "Ę", ("C", "'"): "Ć", ("S", "'"): "Ś",
    ("O", "'"): "Ó", ("L", "/"): "Ł", ("n", "'"): "ń", ("N", "'"): "Ń", ("z", "'"): "ź",
    ("Z", "'"): "Ź",
}


def escape_length(data, i):
    """Length of the printer sequence starting with ESC at data[i]."""
    if i + 1 >= len(data):
        return 1
    c = chr(data[i + 1])
    if c in "3!":
        return 3
    if c in "&(":
        j = i + 2
        while j < len(data) and not (0x40 <= data[j] <= 0x5A):
            j += 1
        return j - i + 1
    return 2


def spell(seq):
    out = []
    for b in seq:
        if b == 27:
            out.append("ESC")
        elif b < 32 or b >= 127:
            out.append("%02X" % b)
        else:
            out.append(chr(b))
    return " ".join(out)


def paper(data):
    ruler = "".join(str(i // 10 % 10) if i % 10 == 0 else " " for i in range(160))
    ruler2 = "".join(str(i % 10) for i in range(160))
    print("     | " + ruler.rstrip())
    print("     | " + ruler2)
    lines = data.split(b"\r\n")
    page = 1
    for n, raw in enumerate(lines, 1):
        cells, sequences = [], []
        i = 0
        while i < len(raw):
            b = raw[i]
            if b == 27:
                k = escape_length(raw, i)
                sequences.append(spell(raw[i:i + k]))
                i += k
            elif b == 12:
                if n == len(lines) and i == len(raw) - 1:
                    print("     +" + "=" * 40 + " end: form feed " + "=" * 40)
                else:
                    page += 1
                    print("     +" + "=" * 40 + " page %d " % page + "=" * 40)
                i += 1
            elif b == 8:
                if cells and i + 1 < len(raw):
                    mark = chr(raw[i + 1])
                    cells[-1] = OVERSTRIKE.get((cells[-1], mark), cells[-1] + "\u0338")
                    i += 2
                else:
                    i += 1
            else:
                cells.append(bytes([b]).decode("cp852"))
                i += 1
        text = "".join(cells)
        note = ("   \u00ab" + " | ".join(sequences) + "\u00bb") if sequences else ""
        if n == len(lines) and not text and not note:
            break
        print("%4d | %s%s" % (n, text, note))


def raw(data):
    names = {27: "<ESC>", 8: "<BS>", 12: "<FF>", 13: "<CR>"}
    out = []
    for b in data:
        if b in names:
            out.append(names[b])
        elif b == 10:
            out.append("<LF>\n")
        elif b < 32:
            out.append("<%02X>" % b)
        else:
            out.append(bytes([b]).decode("cp852"))
    sys.stdout.write("".join(out) + "\n")


def main():
    args = sys.argv[1:]
    mode = paper
    if args and args[0] == "--raw":
        mode = raw
        args = args[1:]
    if len(args) != 1:
        sys.exit(__doc__)
    with open(args[0], "rb") as f:
        mode(f.read())


if __name__ == "__main__":
    main()
