#!/usr/bin/env python3
"""Writes tests/fixtures/platform/contributors.txt: contributor entries (role digit, name, role
suffix) in Shift-JIS, one per line, for comparing the POSIX comparison with CompareStringA.

The entries mix the forms record pages produce: kanji, hiragana, katakana in full and half
width, Latin names in both cases, digits, readings in brackets, middle dots, spaces and the role
suffixes; and near neighbours that differ only in case, width, kana kind, sound marks, long-vowel
and repeat marks or punctuation, which is where locale orderings disagree most.

Usage: tools/platform-tables/make_corpus.py [OUTPUT]
"""

import os
import random
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEFAULT_OUTPUT = os.path.join(ROOT, "tests", "fixtures", "platform", "contributors.txt")

ROLES = "0123459"
SUFFIXES = ["", "", "", " [訳]", " [編]", "[編著]", "[編・著]", " [監修]", " [監修他]", " [執筆]",
            " [脚本]", " [原案]", " [解説]", " [責任編集]", " [キャラクター原案]", "その他"]

KANJI = ["山田太郎", "山田次郎", "山田", "山本花子", "鈴木一郎", "鈴木", "佐藤花子", "佐々木健",
         "佐佐木健", "佐々木", "野々宮葵", "渡辺美里", "渡邊美里", "渡部修", "高橋誠", "髙橋誠",
         "斎藤茂", "齋藤茂", "斉藤茂", "長谷川町子", "小林一茶", "中村", "中村主水", "伊藤",
         "加藤清", "吉田", "山口百恵", "松本", "井上", "木村拓", "林", "清水", "森鴎外", "池田",
         "橋本", "阿部", "石川", "山崎", "山﨑", "中島", "前田", "藤田", "小川", "後藤", "岡田",
         "長谷部", "村上", "近藤", "坂本", "遠藤", "青木", "藤井", "西村", "福田", "太田", "三浦",
         "一色", "二階堂", "十文字", "八代", "々木", "時々", "人々", "東海林", "五十嵐"]
HIRAGANA = ["やまだたろう", "やまだ", "すずき", "ささき", "さゝき", "さざき", "あべ", "あべの",
            "こばやし", "はやし", "ばば", "ぱぴぷ", "ゆうき", "ゆーき", "ゆぅき", "いすゞ", "みすゞ",
            "ちよ", "ちょ", "きよし", "ぎょう", "っぽ", "をとめ", "ゑみ"]
KATAKANA = ["ヤマダ タロウ", "ヤマダタロウ", "ヤマダ", "ジョン・スミス", "ジョン スミス",
            "ジョンスミス", "ジョン＝スミス", "ジャン＝ピエール・マルタン", "マリー・キュリアン",
            "カーター", "カータ", "カアター", "ガーター", "ルーシー", "ルウシイ", "ショーン",
            "ションー", "ハーバート", "バーバート", "パーパート", "ヴァイオレット", "ヴィクター",
            "ビクター", "ウィリアム", "ヰリアム", "キャロル", "キヤロル", "コーヒー", "コオヒイ",
            "ケーキ", "ゲーム", "ヽヾ", "カヽ", "カヾ", "ラーメン", "ッド", "ヵ月", "ヶ月",
            "アン・ブラウン", "アン・ブラウンー", "エドワード", "エドワアド", "オーウェン",
            "トム", "トム・ソーヤー", "ソーヤ"]
HALF = ["ﾔﾏﾀﾞ ﾀﾛｳ", "ﾔﾏﾀﾞﾀﾛｳ", "ﾔﾏﾀﾞ", "ｼﾞｮﾝ･ｽﾐｽ", "ｶｰﾀｰ", "ｶｰﾀ", "ﾙｰｼｰ", "ﾊﾟｰﾊﾟｰﾄ",
        "ｳﾞｧｲｵﾚｯﾄ", "ｷｬﾛﾙ", "ｺｰﾋｰ", "ﾄﾑ･ｿｰﾔｰ", "ｽｽﾞｷ"]
LATIN = ["John Smith", "john smith", "JOHN SMITH", "John smith", "Johnsmith", "John-Smith",
         "John's", "Johns", "O'Brien", "OBrien", "O Brien", "Mary-Jane", "Mary Jane", "MaryJane",
         "McDonald", "Mcdonald", "MacDonald", "de la Cruz", "De La Cruz", "van Gogh", "Van Gogh",
         "Anne-Marie", "Anne Marie", "A. B. Carter", "A.B.Carter", "Carter, A.", "carter",
         "Zeta", "zeta", "Alpha", "alpha", "ALPHA", "Ａｌｐｈａ", "ＪＯＨＮ", "Ｊｏｈｎ ＳＭＩＴＨ",
         "Smith J", "Smith, J", "smith-j", "Bob", "bob", "Bobby", "Bo", "X", "x", "ｘ"]
DIGITS = ["3代目", "三代目", "２世", "2世", "10人", "1号", "一号", "0", "00", "007", "7",
          "12", "２", "Ｂ２", "B2", "b2", "No.5", "Ｎｏ．５"]
READINGS = ["山田太郎［ヤマダ タロウ］", "山田太郎［ヤマダ,タロウ］", "山田太郎［ヤマダタロウ］",
            "山田太郎[ヤマダ タロウ]", "鈴木一郎［スズキ イチロウ］", "鈴木一郎［ｽｽﾞｷ ｲﾁﾛｳ］",
            "佐藤花子［サトウ ハナコ］", "佐藤花子［さとう はなこ］", "佐々木健［ササキ ケン］",
            "佐々木健［ササキ　ケン］", "長谷川町子［ハセガワ マチコ］", "ジョン・スミス［John Smith］",
            "渡辺美里［ワタナベ ミサト］", "渡邊美里［ワタナベ ミサト］", "［ヤマダ］", "[ヤマダ]"]
PUNCT = ["山田・太郎", "山田 太郎", "山田　太郎", "山田太郎 ほか", "山田太郎ほか", "山田太郎他",
         "山田(太郎)", "山田（太郎）", "山田、太郎", "山田／太郎", "・山田", "山田・", " 山田",
         "山田 ", "山田-太郎", "山田－太郎", "山田‐太郎", "山田―太郎", "山田ー太郎",
         "山田～太郎", "＊山田", "*山田", "「山田」", "『山田』", "山田＆鈴木", "山田&鈴木",
         "山田+鈴木", "山田＋鈴木", "\\山田", "￥山田", "$山田", "＄山田"]


def entries():
    rng = random.Random(20240611)
    names = KANJI + HIRAGANA + KATAKANA + HALF + LATIN + DIGITS + READINGS + PUNCT
    out = []
    # Every name once with a role, so that all of them meet in one list.
    for name in names:
        out.append(rng.choice(ROLES) + name + rng.choice(SUFFIXES))
    # The same names under other roles and suffixes.
    for name in rng.sample(names, 150):
        out.append(rng.choice(ROLES) + name + rng.choice(SUFFIXES))
    # Near neighbours in one role, without suffix: only the name decides.
    for name in KATAKANA + HALF + HIRAGANA + LATIN[:20]:
        out.append("1" + name)
    # Entries that differ only in the role digit or the suffix.
    for role in ROLES:
        out.append(role + "山田太郎")
    for suffix in SUFFIXES:
        out.append("5鈴木一郎" + suffix)
    # Bare texts: an empty name, a role digit alone, full-width digits in front.
    out += ["1", "9", "１山田", "０", "10", "1 ", "1　"]
    unique = []
    for e in out:
        if e not in unique:
            unique.append(e)
    return unique


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUTPUT
    os.makedirs(os.path.dirname(output), exist_ok=True)
    lines = entries()
    with open(output, "wb") as f:
        f.write("# Contributor entries for the comparison checks; made by "
                "tools/platform-tables/make_corpus.py\r\n".encode("ascii"))
        for e in lines:
            f.write(e.encode("cp932") + b"\r\n")
    print("make_corpus.py: %d entries in %s" % (len(lines), os.path.relpath(output, ROOT)))


if __name__ == "__main__":
    main()
