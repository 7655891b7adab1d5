#!/usr/bin/env python3
"""Makes the one self-contained page of the drill.

web-page.py --template page.html --drill drill.js --terser TERSER
            --loader wasi.js --console console.js --version V
            --licence FILE... --out PAGE [--app app.js]

The template gets the version, the licence texts, the loader with the drill
put into it, and the console script. The drill is wasm2js's ES module of the
program, made a function of its imports and minified by terser. Given --app,
it is the hosted app's index.html: with that script too, and a policy that
lets it load its manifest and service worker from its own folder.

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


def drill_function(module, terser):
    """wasm2js's module as `var instantiate = function (imports)`, which
    gives a fresh instance's exports at each call; minified, its inner names
    too, in ASCII."""
    core = re.sub(r"^import \{ \w+ \} from '[\w.]+';\n|^export var \w+ = retasmFunc\.\w+;\n", '', module, flags=re.M)
    core, calls = re.subn(r"^var retasmFunc = asmFunc\(.*?\}\);\n", '', core, flags=re.M | re.S)
    if calls != 1 or 'import ' in core or 'export ' in core:
        raise SystemExit('web-page.py: wasm2js wrote a module of a shape this script does not know')
    wrapped = f'var instantiate = (function () {{\n{core}\nreturn asmFunc;\n}})();'
    env = dict(os.environ, NODE_PATH='/usr/share/nodejs')  # Debian's terser, under any node
    return subprocess.run([terser, '--compress', '--mangle', '--format', 'ascii_only=true'],
                          input=wrapped, capture_output=True, text=True, check=True, env=env).stdout.strip()


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
    for name in ('template', 'drill', 'terser', 'loader', 'console', 'version', 'out'):
        ap.add_argument('--' + name, required=True)
    ap.add_argument('--licence', nargs='+', required=True)
    ap.add_argument('--app')
    args = ap.parse_args()
    read = lambda path: open(path, encoding='utf-8').read()

    # The drill goes in after the comments are out: it may hold "//".
    drill = drill_function(read(args.drill), args.terser)
    app = without_comments(read(args.app)) if args.app else ''
    scripts = {'@IONDRILL_RUNTIME@': without_comments(read(args.loader)),
               '@IONDRILL_CONSOLE@': without_comments(read(args.console))}
    for text in (*scripts.values(), app, drill):
        if '</script' in text:
            raise SystemExit('web-page.py: a script would end its <script> element early')
        if not text.isascii():
            raise SystemExit('web-page.py: a script holds a character that is not ASCII')

    page = read(args.template)
    page = page.replace('@PROJECT_VERSION@', args.version)
    licences = html.escape(''.join(read(f) + '\n' for f in args.licence), quote=False)
    page = page.replace('@IONDRILL_LICENCES@', licences.encode('ascii', 'xmlcharrefreplace').decode('ascii'))
    # The scripts go in last, so that nothing in them is taken for a placeholder.
    for placeholder, text in scripts.items():
        page = page.replace(placeholder, text)
    page = page.replace('@IONDRILL_APP@', f'<script>\n{app}</script>\n' if args.app else '')
    page = page.replace('@IONDRILL_DRILL@', drill)
    if not page.isascii():
        raise SystemExit('web-page.py: the page holds a character that is not ASCII')

    # Nothing runs but the page's own script and style, each named by its
    # hash: no eval, no WebAssembly. No script
    # holds "</script" (checked above), so each element ends at the first
    # closing tag after it.
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
