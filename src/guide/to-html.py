#!/usr/bin/env python3
"""Turns the user's guide, written in a small plain-text format, into the HTML page the program
shows (Qt's rich text): headings (#, ##, ###), paragraphs, lists (- and 1.), tables (| a | b |),
code blocks (```), and inline **bold**, *italic*, `code`, links [text](url) and pictures
![text](file). Usage: to-html.py guide.md guide.html"""
import html
import re
import sys


def inline(text):
    text = html.escape(text, quote=False)
    text = re.sub(r"!\[([^\]]*)\]\(([^)]+)\)", r'<img src="\2" alt="\1">', text)
    text = re.sub(r"\[([^\]]+)\]\(([^)]+)\)", r'<a href="\2">\1</a>', text)
    text = re.sub(r"`([^`]+)`", r"<code>\1</code>", text)
    text = re.sub(r"\*\*([^*]+)\*\*", r"<b>\1</b>", text)
    text = re.sub(r"\*([^*]+)\*", r"<i>\1</i>", text)
    return text


def anchor(title):
    return re.sub(r"\W+", "-", title.lower()).strip("-")


def convert(lines):
    out, paragraph, listing, table, code = [], [], None, [], None

    def flush():
        nonlocal paragraph, listing, table
        if paragraph:
            out.append("<p>" + inline(" ".join(paragraph)) + "</p>")
            paragraph = []
        if listing:
            out.append(f"</{listing}>")
            listing = None
        if table:
            out.append('<table border="1" cellspacing="0" cellpadding="4">')
            for i, row in enumerate(table):
                cell = "th" if i == 0 else "td"
                out.append("<tr>" + "".join(f"<{cell}>{inline(c)}</{cell}>" for c in row) + "</tr>")
            out.append("</table>")
            table = []

    for line in lines:
        line = line.rstrip("\n")
        if code is not None:
            if line.startswith("```"):
                out.append("<pre>" + html.escape("\n".join(code)) + "</pre>")
                code = None
            else:
                code.append(line)
            continue
        if line.startswith("```"):
            flush()
            code = []
        elif not line.strip():
            flush()
        elif m := re.match(r"(#{1,3}) (.*)", line):
            flush()
            level, title = len(m.group(1)), m.group(2)
            out.append(f'<h{level}><a name="{anchor(title)}"></a>{inline(title)}</h{level}>')
        elif m := re.match(r"(-|\d+\.) (.*)", line):
            kind = "ul" if m.group(1) == "-" else "ol"
            if paragraph or table or (listing and listing != kind):
                flush()
            if not listing:
                out.append(f"<{kind}>")
                listing = kind
            out.append("<li>" + inline(m.group(2)) + "</li>")
        elif line.startswith("|"):
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if not all(re.fullmatch(r":?-+:?", c) for c in cells):
                if paragraph or listing:
                    flush()
                table.append(cells)
        elif listing and line.startswith("  "):
            out[-1] = out[-1][: -len("</li>")] + " " + inline(line.strip()) + "</li>"
        else:
            if listing or table:
                flush()
            paragraph.append(line.strip())
    flush()
    return out


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        body = convert(f.readlines())
    with open(target, "w", encoding="utf-8") as f:
        f.write('<!DOCTYPE html>\n<html lang="fr"><head><meta charset="utf-8">'
                "<title>Guide de Tensiova</title></head><body>\n")
        f.write("\n".join(body))
        f.write("\n</body></html>\n")


if __name__ == "__main__":
    main()
