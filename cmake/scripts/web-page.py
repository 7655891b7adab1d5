#!/usr/bin/env python3
"""Makes the one self-contained page of the drill.

web-page.py --template page.html --wasm iondrill.wasm --loader wasi.js
            --console console.js --version V --licence FILE... --out PAGE
            [--app app.js]

The template gets the version, the licence texts, the loader with the
WebAssembly put into it, and the console script. Given --app, it is the
hosted app's index.html: with that script too, and a policy that lets it load
its manifest and service worker from its own folder.
"""
import argparse
import base64
import hashlib
import html
import re

# Each byte of the WebAssembly goes into a JavaScript string as the character
# (byte + SHIFT) % 256, or that plus 256 where it would not be a plain
# printable one (or would be a quote, a backslash or "<"). With 40 the
# commonest bytes of a WebAssembly module (0, small numbers, the opcodes that
# read locals and make constants) come out as single printable characters:
# served compressed, that costs a fifth less than base64.
SHIFT = 40
PLAIN = set(range(0x20, 0x7F)) - {ord('"'), ord('\\'), ord('<')}


def wasm_string(data):
    return ''.join(chr(c if c in PLAIN else 0x100 + c)
                   for c in ((b + SHIFT) % 256 for b in data))


def without_comments(js):
    """Our scripts with their comments and indentation left out: the page is
    what a slow phone downloads, and the commented sources are in web/. Only
    comments on lines of their own, or after ";", "{" or "," at a line's end,
    go; the scripts hold no "//" in a string."""
    lines = (line.strip() for line in js.split('\n'))
    return '\n'.join(re.sub(r'([;{,]) +// .*', r'\1', line)
                     for line in lines if line and not line.startswith('//'))


def csp_hash(text):
    digest = hashlib.sha256(text.encode('utf-8')).digest()
    return "'sha256-" + base64.b64encode(digest).decode('ascii') + "'"


def main():
    ap = argparse.ArgumentParser()
    for name in ('template', 'wasm', 'loader', 'console', 'version', 'out'):
        ap.add_argument('--' + name, required=True)
    ap.add_argument('--licence', nargs='+', required=True)
    ap.add_argument('--app')
    args = ap.parse_args()
    read = lambda path: open(path, encoding='utf-8').read()

    # The WebAssembly goes in after the comments are out: it may hold "//".
    with open(args.wasm, 'rb') as f:
        wasm = wasm_string(f.read())
    runtime = read(args.loader).replace('@IONDRILL_WASM_SHIFT@', str(SHIFT))
    app = without_comments(read(args.app)) if args.app else ''
    scripts = {'@IONDRILL_RUNTIME@': without_comments(runtime),
               '@IONDRILL_CONSOLE@': without_comments(read(args.console))}
    for text in (*scripts.values(), app):
        if '</script' in text:
            raise SystemExit('web-page.py: a script would end its <script> element early')

    page = read(args.template)
    page = page.replace('@PROJECT_VERSION@', args.version)
    page = page.replace('@IONDRILL_LICENCES@',
                        html.escape(''.join(read(f) + '\n' for f in args.licence), quote=False))
    # The scripts go in last, so that nothing in them is taken for a placeholder.
    for placeholder, text in scripts.items():
        page = page.replace(placeholder, text)
    page = page.replace('@IONDRILL_APP@', f'<script>\n{app}</script>\n' if args.app else '')
    page = page.replace('@IONDRILL_WASM@', wasm)  # no "<" in it

    # Nothing runs but the page's own script and style, each named by its
    # hash, and WebAssembly compiled from the page's own bytes. No script
    # holds "</script" (checked above), so each element ends at the first
    # closing tag after it.
    hashes = {tag: ''.join(' ' + csp_hash(t) for t in re.findall(f'<{tag}>(.*?)</{tag}>', page, re.S))
              for tag in ('script', 'style')}
    images = "data: 'self'" if args.app else 'data:'  # the app's icons are the page's images
    policy = (f"default-src 'none'; script-src{hashes['script']} 'wasm-unsafe-eval'; "
              f"style-src{hashes['style']}; img-src {images}; base-uri 'none'; form-action 'none'")
    if args.app:
        policy += "; manifest-src 'self'; worker-src 'self'"
    page = page.replace('@IONDRILL_CSP@', policy)
    with open(args.out, 'w', encoding='utf-8', newline='\n') as f:
        f.write(page)


main()
