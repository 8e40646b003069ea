"""Shared pieces of the word-representability tools: graph6, the programs'
input format, the output formats of alterword and orientcheck, and checkers
of words and orientations written from the mathematical definitions."""
