#!/usr/bin/env python3
"""Makes the one self-contained page of the drill.

web-page.py --template page.html --drill drill.js --terser TERSER
            --loader wasi.js --console console.js --version V
            --licence FILE... --out PAGE [--app app.js]

The template gets the version, the licence texts, the loader with the drill
put into it, and the console script, each script minified by terser and the
style without its spaces. The drill is wasm2js's ES module of the program,
made a function of its imports. Given --app, it is the hosted app's
index.html: with that script too, and a policy that lets it load its
manifest and service worker from its own folder.

The page is ASCII alone, so that it reads the same whatever charset a server
declares (an HTTP charset outranks <meta charset>): the scripts are kept
ASCII, and any other character of the licences becomes a character
reference.
"""
import argparse
import base64
import hashlib
import html
import os
import re
import subprocess


def drill_function(module):
    """wasm2js's module as `var instantiate = function (imports)`, which
    gives a fresh instance's exports at each call, with its data as text."""
    core = re.sub(r"^import \{ \w+ \} from '[\w.]+';\n|^export var \w+ = retasmFunc\.\w+;\n", '', module, flags=re.M)
    core, calls = re.subn(r"^var retasmFunc = asmFunc\(.*?\}\);\n", '', core, flags=re.M | re.S)
    core = data_as_text(core)
    if calls != 1 or 'import ' in core or 'export ' in core or 'base64' in core:
        raise SystemExit('web-page.py: wasm2js wrote a module of a shape this script does not know')
    return f'var instantiate = (function () {{\n{core}\nreturn asmFunc;\n}})();'


def data_as_text(core):
    """The memory's first contents, which wasm2js writes in base64 a segment
    at a time, as one string of a character per byte instead, the small gaps
    between segments filled with zeros: most of it is text, which gzip then
    compresses as text. Escaped to ASCII, and "<" too."""
    found = re.findall(r'^  base64DecodeToExistingUint8Array\(bufferView, (\d+), "([A-Za-z0-9+/=]*)"\);\n', core, re.M)
    runs = []  # [offset, bytearray]
    for offset, data in ((int(o), base64.b64decode(d)) for o, d in found):
        gap = offset - (runs[-1][0] + len(runs[-1][1])) if runs else -1
        if 0 <= gap <= 64:
            runs[-1][1] += bytes(gap) + data
        else:
            runs.append([offset, bytearray(data)])
    def text(data):
        def char(i, b):
            if b == 0:  # an octal escape if a digit follows
                return '\\x00' if data[i + 1:i + 2].isdigit() else '\\0'
            return {10: '\\n', 34: '\\"', 92: '\\\\'}.get(b) or (chr(b) if 32 <= b < 127 and b != 60 else f'\\x{b:02x}')
        return ''.join(char(i, b) for i, b in enumerate(data))
    calls = ''.join(f'  fill(bufferView, {offset}, "{text(data)}");\n' for offset, data in runs)
    core, n = re.subn(r'^  base64DecodeToExistingUint8Array\(bufferView, .*\n', '', core, flags=re.M)
    core = core.replace('function initActiveSegments(imports) {\n', 'function initActiveSegments(imports) {\n' + calls, 1)
    decoder = re.compile(r'^  var base64ReverseLookup = .*?^  }\n(?=function initActiveSegments)', re.M | re.S)
    fill = ('  function fill(view, at, text) {\n'
            '    for (var i = 0; i < text.length; i++) view[at + i] = text.charCodeAt(i);\n  }\n')
    core, decoders = decoder.subn(fill, core)
    if n != len(found) or decoders != 1:
        raise SystemExit('web-page.py: wasm2js wrote its data in a way this script does not know')
    return core


def minified(js, terser):
    """A script as terser makes it, in ASCII: the page is what a slow phone
    downloads, and the commented sources are in web/."""
    env = dict(os.environ, NODE_PATH='/usr/share/nodejs')  # Debian's terser, under any node
    return subprocess.run([terser, '--compress', '--mangle', '--format', 'ascii_only=true'],
                          input=js, capture_output=True, text=True, check=True, env=env).stdout.strip()


def minified_style(page):
    """The style without its comments and the spaces around its punctuation."""
    def squeeze(m):
        css = re.sub(r'/\*.*?\*/', '', m.group(2), flags=re.S)
        return m.group(1) + re.sub(r'\s*([{};,])\s*|(:)\s+|\s+', lambda p: p.group(1) or p.group(2) or ' ',
                                   css).strip() + m.group(3)
    return re.sub(r'(<style>)(.*?)(</style>)', squeeze, page, flags=re.S)


def csp_hash(text):
    digest = hashlib.sha256(text.encode('utf-8')).digest()
    return "'sha256-" + base64.b64encode(digest).decode('ascii') + "'"


def main():
    ap = argparse.ArgumentParser()
    for name in ('template', 'drill', 'terser', 'loader', 'console', 'version', 'out'):
        ap.add_argument('--' + name, required=True)
    ap.add_argument('--licence', nargs='+', required=True)
    ap.add_argument('--app')
    args = ap.parse_args()
    read = lambda path: open(path, encoding='utf-8').read()

    loader = read(args.loader).replace('@IONDRILL_DRILL@', drill_function(read(args.drill)))
    app = minified(read(args.app), args.terser) if args.app else ''
    scripts = {'@IONDRILL_RUNTIME@': minified(loader, args.terser),
               '@IONDRILL_CONSOLE@': minified(read(args.console), args.terser)}
    for text in (*scripts.values(), app):
        if '</script' in text:
            raise SystemExit('web-page.py: a script would end its <script> element early')
        if not text.isascii():
            raise SystemExit('web-page.py: a script holds a character that is not ASCII')

    page = minified_style(read(args.template))
    page = page.replace('@PROJECT_VERSION@', args.version)
    licences = html.escape(''.join(read(f) + '\n' for f in args.licence), quote=False)
    page = page.replace('@IONDRILL_LICENCES@', licences.encode('ascii', 'xmlcharrefreplace').decode('ascii'))
    # The scripts go in last, so that nothing in them is taken for a placeholder.
    for placeholder, text in scripts.items():
        page = page.replace(placeholder, text)
    page = page.replace('@IONDRILL_APP@', f'<script>\n{app}</script>\n' if args.app else '')
    if not page.isascii():
        raise SystemExit('web-page.py: the page holds a character that is not ASCII')

    # Nothing runs but the page's own script and style, each named by its
    # hash: no eval, no WebAssembly. No script holds "</script" (checked
    # above), so each element ends at the first closing tag after it.
    hashes = {tag: ''.join(' ' + csp_hash(t) for t in re.findall(f'<{tag}>(.*?)</{tag}>', page, re.S))
              for tag in ('script', 'style')}
    images = "data: 'self'" if args.app else 'data:'  # the app's icons are the page's images
    policy = (f"default-src 'none'; script-src{hashes['script']}; "
              f"style-src{hashes['style']}; img-src {images}; base-uri 'none'; form-action 'none'")
    if args.app:  # child-src for the browsers before worker-src (Safari 15.4)
        policy += "; manifest-src 'self'; worker-src 'self'; child-src 'self'"
    page = page.replace('@IONDRILL_CSP@', policy)
    with open(args.out, 'w', encoding='utf-8', newline='\n') as f:
        f.write(page)


main()
