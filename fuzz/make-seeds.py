#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets into fuzz/corpus/<target>/seed-*.

  make-seeds.py [--pages DIR]

The seeds are small samples of what each target reads: a full-record page with every labelled
row, the option and marker files, responsibility statements, dictionary lines and record fields.
With --pages, the record pages of DIR (as served, UTF-8) are added, decoded, to the page scan's.
The fuzzer grows the corpus from these; scripts/fuzz merges what it found back, minimised.
"""

import argparse
import os

HERE = os.path.dirname(os.path.abspath(__file__))
SEP = b"\x01--\x01"

PAGE = """<html>
<head><title>OPAC</title></head>
<body>
<table>
<tr><th><b>タイトル</b></th>
<td class="t-td-full" align="left">本の話.第2巻 : 続・物語&nbsp;</td></tr>
<tr><th>タイトルよみ</th><td>>タイトルよみ<</td></tr>
<td class="t-td-full" align="left">ホン ノ ハナシ</td>
<tr><th>>部分タイトル<</th></tr>
<td class="t-td-full" align="left">第一部</td>
<td class="t-td-full" align="left">第二部</td>
<tr><th>責任表示</th></tr>
<td>山田太郎著 ; 鈴木一郎訳 ; 佐藤花子（イラスト）</td>
<tr><th>出版事項</th></tr>
<td>東京 : 青空書房, 2005.3</td>
<tr><th>出版年</th></tr>
<td><FONT CLASS="FN">2005.3</FONT></td>
<tr><th>>形態/付属資料<</th></tr>
<td>254p ; １９ｃｍ+CD1枚</td>
<tr><th>>シリーズ<</th></tr>
<td>ミライ・ノート ; 3</td>
<tr><th>>価格等<</th></tr>
<td>1,500円</td>
<tr><th>NDC</th></tr>
<td>913.6</td>
<tr><th>>個人著者標目<</th></tr>
<td>山田, 太郎&nbsp;||ヤマダ, タロウ</td>
<!-- =======  書影 ======= -->
<div class="cover">
<a href="#">
<span>1</span>
<span>2</span>
<span>3</span>
<span>4</span>
<span>5</span>
<span>6</span>
<span>7</span>
<span>8</span>
<span>9</span>
<span>10</span>
<span>11</span>
<img src="https://img.example.jp/covers/1.jpg" alt="">
</a></div>
<tr><th>>あらすじ<</th></tr>
<td>一行目<br>二行目、&quot;引用&quot; &amp;lt;b&amp;gt;</td>
<h2>著者紹介</h2>
<p>山田太郎<br>1970年生まれ。</p>
<tr><th><b>タイトル</b></th></tr>
</table>
</body>
</html>
"""

LOGIN = """<html>
var url = "http://opac.fuzz.test/F/ABC123?func=file&file_name=login";
</html>
"""

VISIT = """<html>
<form name="form1"  action="http://opac.fuzz.test/F/XYZ789">
</html>
"""

STATEMENTS = [
    "山田太郎著／鈴木一郎訳／佐藤花子解説",
    "原作山田／漫画鈴木",
    "山田太郎（著）",
    "〔山田太郎〕編［ヤマダタロウ］",
    "・山田太郎・",
    "キャラクター原案山田／監修他鈴木",
    "山田￥太郎著",
]

AUTHDB = "|ｼﾞｮﾝｽﾐｽ|ジョン・スミス|ジョン スミス|米国|\r\n|ﾔﾏﾀﾞﾀﾛｳ|山田太郎|ヤマダ タロウ|\r\n|鈴木一郎[訳]|鈴木一郎\r\n"
PUBDB = "|06|青葉書房\r\n|062|B\r\n|00|青空書房|\r\n"
LABELS = "|青空書房|ﾐﾗｲﾉ-ﾄ|ミライノート\r\n|青空書房||青空文庫\r\n"


# Page labels, value markers and the other fixed texts the code looks for, for fuzz/labels.dict.
DICT_WORDS = [
    "<b>タイトル</b>", ">タイトルよみ<", ">部分タイトル<", "責任表示", "出版事項", "出版年",
    ">形態/付属資料<", ">シリーズ<", ">価格等<", "NDC", ">個人著者標目<",
    "<!-- =======  書影 ======= -->", ">あらすじ<", "<h2>著者紹介</h2>",
    '<td class="t-td-full" align="left">', '<FONT CLASS="FN">', "</FONT>", "||", 'src="',
    "<br>", "&nbsp;", "&amp;", "&quot;", "&lt;", "&gt;", "<!--", "-->", "<", ">", "円", "∥",
    "TOSYO1=", "TOSYO1=1", "CATALOGUE_URL=", "NOIMAGE_URL=", "var url = ",
    'name="form1"  action="', '">', "?func", "/F/", "pds_handle=",
    "／", "￥", "［", "］", "・", "（", "）", "〔", "〕", "：", "　", "他", "ほか",
    "著者", "編・著", "編著", "著", "漫画", "画", "イラスト/作画", "作画", "原作", "作", "イラスト",
    "イ", "(画)", "執筆", "キャラクター原案", "原案", "監修他", "監修", "監訳", "翻訳", "訳",
    "解説", "責任編集", "構成・編集", "編集", "編", "その他", "ニ", "ｰ", "ー", "☆", "★", "♪",
    "上", "中", "下", "変形", "判", "版", "４－６", "ｐ", "p", ";", ".", ":", "(", ")", "|",
    "|\r\n", "\r\n", "\r", "\n", "\"", ",", "ヤマダ タロウ", "ガギ",
]


def dict_entry(data):
    out = []
    for b in data:
        if 0x20 <= b < 0x7F and b not in (0x22, 0x5C):
            out.append(chr(b))
        else:
            out.append("\\x%02X" % b)
    return '"' + "".join(out) + '"'


def write_dict():
    entries = []
    for w in DICT_WORDS:
        for encoded in (w.encode("cp932"), w.encode("utf-8")):
            e = dict_entry(encoded)
            if e not in entries:
                entries.append(e)
    entries.append(dict_entry(SEP))
    with open(os.path.join(HERE, "labels.dict"), "w") as f:
        f.write("# Page labels, value markers and fixed texts, in code page 932 and in UTF-8.\n")
        f.write("# Written by make-seeds.py.\n")
        for e in entries:
            f.write(e + "\n")


def sjis(text):
    return text.replace("\n", "\r\n").encode("cp932")


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(data)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--pages", help="a folder of record pages to add")
    args = ap.parse_args()

    page_sjis = sjis(PAGE)
    page_utf8 = PAGE.replace("\n", "\r\n").encode("utf-8")

    write("recordpage", "page", page_sjis)
    write("recordpage", "page-ndc-marker",
          page_sjis + SEP + b"TOSYO1=0\r\nTOSYO1=1\r\n" + SEP + sjis("対象=一般\n"))
    write("recordpage", "short", sjis("<b>タイトル</b>\n<td>本</td>\n"))

    write("path", "page", page_utf8)
    write("path", "pages", page_utf8 + SEP + LOGIN.encode() + SEP + VISIT.encode())
    write("path", "not-utf8", b"<b>\x80</b>\r\n")

    write("utf8", "page", page_utf8[:600])
    write("utf8", "mixed", "あ\u00c1\U0001F600\r\n".encode("utf-8") + b"\xc3A\xe3\x81")

    for i, s in enumerate(STATEMENTS):
        write("contributors", "statement-%d" % i, s.encode("cp932"))
    write("contributors", "separator", "山田;鈴木".encode("cp932") + SEP + b";")

    write("dictionaries", "all",
          SEP.join([AUTHDB.encode("cp932"), PUBDB.encode("cp932"), LABELS.encode("cp932"),
                    b"9784000000000", "ミライ・ノート".encode("cp932"), "青空書房".encode("cp932"),
                    "ジョン・スミス著／山田太郎［ヤマダタロウ］訳".encode("cp932")]))
    write("dictionaries", "no-final-bar",
          SEP.join([b"|a|b\r\n|c|d", b"|1|x", b"|p|s|l", b"4100000000", b"s", b"p", b"a"]))

    fields = [b""] * 66
    fields[0] = b"9784000000000"
    fields[1] = "本の話".encode("cp932")
    fields[2] = "ホンノハナシ".encode("cp932")
    fields[6] = "ヤマダ タロウ".encode("cp932")
    fields[35] = "一行目\r\n二行目, \"引用\"\n".encode("cp932")
    write("bookline", "record", SEP.join(fields))
    write("bookline", "cut-character", SEP.join([b"\x82", b"a,\x82", b"\x81\"b", b" "]))

    write("text", "markup", b"\x00" + sjis("<td>山田&nbsp;||ヤマダ</td><!-- x -->&lt;b&gt;"))
    write("text", "between", b"\x01" + b"abc[x]def" + SEP + b"[" + SEP + b"]")
    write("text", "field", b"\x02" + sjis("|ﾔﾏﾀﾞ|山田－太郎|") + SEP + b"|")
    write("text", "narrow", b"\x03" + sjis("１９ｃｍ－Ａ５判"))
    write("text", "replace", b"\x04" + sjis("変形変") + SEP + sjis("変") + SEP + sjis("変型"))
    write("text", "lines", b"\x05" + b"a\r\n\nb\r\rc\n\x00d")

    write_dict()

    if args.pages:
        # The pages as the scan reads them: decoded to code page 932, with CR LF line ends.
        for name in sorted(n for n in os.listdir(args.pages) if n.endswith(".html")):
            with open(os.path.join(args.pages, name), "rb") as f:
                text = f.read().decode("utf-8", errors="replace")
            write("recordpage", "fixture-" + name,
                  text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932", errors="replace"))


if __name__ == "__main__":
    main()
