"""The answer engine: deterministic answers a person can check.

- a linear equation in one letter (ax + b = c, any spacing, terms on either side) gets its
  solution with the steps;
- with file search over vector stores, the most relevant line of the stored text is quoted, with
  a file_citation annotation whose indices count UTF-16 code units;
- anything else gets an echo of the question that names the assistant.
"""

import re
from fractions import Fraction

from .retrieval import rank

_TERM = r"(?:\d+\s*\*?\s*)?(?<![A-Za-z])[A-Za-z](?![A-Za-z])|\d+"
_EXPR = r"[+-]?\s*(?:%s)(?:\s*[+-]\s*(?:%s))*" % (_TERM, _TERM)
EQUATION = re.compile(r"(?<![\w.])(%s)\s*=\s*(%s)(?![\w.])" % (_EXPR, _EXPR))
TOKEN = re.compile(r"([+-]?)\s*(\d*)\s*\*?\s*([A-Za-z]?)")
# The citation marker stays inside the Basic Multilingual Plane, so every client's UTF-16 count
# of the text agrees with the indices.
CITATION_MARKER = "\u30100:0\u2020source\u3011"


def utf16_len(text):
    return len(text.encode("utf-16-le")) // 2


class Answer:
    def __init__(self, text, annotations=(), search_results=None):
        self.text = text
        self.annotations = list(annotations)
        # The (chunk, score) pairs of a file search, for the run step; None without a search.
        self.search_results = search_results


def _side(expr):
    """(coefficient, constant, letters) of one side of an equation."""
    coefficient, constant, letters = Fraction(0), Fraction(0), set()
    for sign, digits, letter in TOKEN.findall(expr.replace(" ", "")):
        if not digits and not letter:
            continue
        value = Fraction(int(digits)) if digits else Fraction(1)
        if sign == "-":
            value = -value
        if letter:
            coefficient += value
            letters.add(letter)
        else:
            constant += value
    return coefficient, constant, letters


def _fmt(value):
    return str(value.numerator) if value.denominator == 1 else "%d/%d" % (value.numerator,
                                                                          value.denominator)


def solve_linear(text):
    """The worked solution of the first linear equation in `text`, or None."""
    for found in EQUATION.finditer(text):
        left, right = found.group(1), found.group(2)
        a1, b1, l1 = _side(left)
        a2, b2, l2 = _side(right)
        letters = l1 | l2
        if len(letters) != 1:
            continue
        letter = letters.pop()
        a, c = a1 - a2, b2 - b1
        equation = "%s = %s" % (" ".join(left.split()), " ".join(right.split()))
        steps = ["Equation: %s" % equation]
        if a == 0:
            verdict = ("every value of %s is a solution" % letter if c == 0
                       else "there is no solution")
            steps.append("Collecting the %s terms leaves 0 = %s, so %s." % (letter, _fmt(c),
                                                                           verdict))
            return "\n".join(steps)
        steps.append("Collect the %s terms on the left and the numbers on the right: %s%s = %s"
                     % (letter, "" if a == 1 else ("-" if a == -1 else _fmt(a)), letter,
                        _fmt(c)))
        if a != 1:
            steps.append("Divide both sides by %s: %s = %s" % (_fmt(a), letter, _fmt(c / a)))
        steps.append("Solution: %s = %s" % (letter, _fmt(c / a)))
        return "\n".join(steps)
    return None


def file_search_answer(question, chunks):
    ranked = rank(question, chunks, limit=5)
    if not ranked:
        return Answer("I searched the attached files but found nothing about: %s" % question,
                      search_results=[])
    score, best = ranked[0]
    prefix = "From %s: \"%s\" " % (best.filename, best.text)
    text = prefix + CITATION_MARKER
    start = utf16_len(prefix)
    annotation = {"type": "file_citation", "text": CITATION_MARKER,
                  "file_citation": {"file_id": best.file_id},
                  "start_index": start, "end_index": start + utf16_len(CITATION_MARKER)}
    return Answer(text, [annotation], search_results=ranked)


def answer(question, assistant_name, assistant_id, search_chunks=None):
    """The reply to the latest user message. `search_chunks` is None without file search."""
    solution = solve_linear(question)
    if solution is not None:
        return Answer(solution)
    if search_chunks is not None:
        return file_search_answer(question, search_chunks)
    return Answer('%s (%s) received your message: "%s"'
                  % (assistant_name or "Assistant", assistant_id, question.strip()))
