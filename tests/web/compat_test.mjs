// compat_test.mjs PAGE...: every feature the shipped pages and the service
// worker use (script syntax and APIs, CSS, HTML elements and attributes, the
// policy's directives and keywords) held against MDN's compatibility data for
// the oldest browsers the page is for. A feature they lack passes only if it
// is in DEGRADES, or if a script tests for it before use. Snippets that a
// browser of the floor lacks must be refused, so that the check is seen to
// find what it is for.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const bcd = require('@mdn/browser-compat-data');
const acorn = require('acorn'); // Debian's, by NODE_PATH
const walk = require('acorn-walk');

const FLOOR = {chrome: 64, safari: 11.1, safari_ios: 11.3, firefox: 60};
const SYNTAX = 2017; // what all of them parse
// Below the floor these only look or hint less; the README names them.
const DEGRADES = {
  'css.selectors.focus-visible': 'the browser draws its own focus ring',
  'css.at-rules.media.prefers-color-scheme': 'light colours only',
  'html.elements.meta.name.color-scheme': 'light controls only',
  'css.properties.contain': 'a long log lays out more slowly',
  'css.properties.overflow-wrap.anywhere': 'break-word, set before it, wraps long answers',
  'css.types.max': 'the font set before it, 16px',
  'css.properties.font-family.ui-monospace': 'monospace, after it',
  'css.properties.font-family.system-ui': 'sans-serif, after it',
  'html.global_attributes.enterkeyhint': 'the on-screen key says Return, not Send',
  'html.global_attributes.autocapitalize': 'an on-screen keyboard may capitalise',
  'html.global_attributes.autocorrect': 'an on-screen keyboard may correct',
  'html.elements.link.rel.icon': 'the empty icon only spares a request',
  'api.Element.scrollIntoView.options_parameter': 'the field scrolls to the top, not the nearest edge',
  'css.properties.cursor': 'a touch screen has no pointer',
  'html.elements.meta.name.viewport': 'only phones and tablets read it',
  'http.headers.Content-Security-Policy.worker-src': 'child-src, in the same policy, admits the worker',
};
// Interfaces and built-ins whose members the scripts reach by name; new ones
// are reached through globals or members of these, and checked there.
const REACHED = ['Window Document Element HTMLElement HTMLInputElement Node EventTarget Storage Event KeyboardEvent',
  'ClipboardEvent DataTransfer Location WorkerLocation Navigator ServiceWorkerContainer ServiceWorkerRegistration',
  'ServiceWorkerGlobalScope WorkerGlobalScope Cache CacheStorage Clients FetchEvent ExtendableEvent Request',
  'Response Headers URL Crypto SubtleCrypto TextEncoder TextDecoder VisualViewport'].join(' ').split(' ').map(i => 'api.' + i)
  .concat('Array ArrayBuffer Date Error Function JSON Math Number Object Promise RegExp String TypedArray'
    .split(' ').map(b => 'javascript.builtins.' + b));
const CSP = 'http.headers.Content-Security-Policy';

const node = path => path.split('.').reduce((o, k) => o && o[k], bcd);
const version = v => typeof v === 'string' && /^≤?[\d.]+$/.test(v) ? parseFloat(v.replace('≤', '')) : Infinity;
// The floor's browsers that lack the feature at `path`.
function lacking(path) {
  if (!node(path).__compat) return []; // a group, such as css.types
  const support = node(path).__compat.support;
  return Object.keys(FLOOR).filter(b => ![].concat(support[b] || []).some(s =>
    !s.flags && !s.prefix && !s.alternative_name &&
    version(s.version_added) <= FLOOR[b] && !(version(s.version_removed) <= FLOOR[b])));
}

// What a set of files uses, as {feature path: where}, with the names the
// scripts test for; features MDN does not know go under unknown.
function uses(files) {
  const found = new Map(), tested = new Set(), unknown = [], alone = new Set();
  const use = (path, where) => node(path) && node(path).__compat ? found.set(path, where) : false;
  const member = (name, where) => REACHED.forEach(i => use(i + '.' + name, where));
  const script = (text, where) => {
    const ast = acorn.parse(text, {ecmaVersion: SYNTAX});
    const declared = new Set();
    walk.full(ast, (n, st, type) => { if (type === 'VariablePattern') declared.add(n.name); });
    walk.full(ast, n => {
      const name = n.type === 'MemberExpression' ? (n.computed ? n.property.value : n.property.name) : null;
      if (typeof name === 'string') member(name, where);
      if (n.type === 'Identifier' && !declared.has(n.name) &&
          !['api.', 'javascript.builtins.'].some(t => use(t + n.name, where))) member(n.name, where);
      if (n.type === 'BinaryExpression' && n.operator === 'in' && typeof n.left.value === 'string') {
        member(n.left.value, where);
        tested.add(n.left.value);
      }
      const test = n.type === 'IfStatement' || n.type === 'ConditionalExpression' ? n.test
        : n.type === 'LogicalExpression' ? n.left : null;
      if (test && test.type === 'MemberExpression') tested.add(test.property.name);
      // An options object: its keys as options of the method, or as members
      // of what a constructor makes (a Request's cache).
      if (n.type === 'CallExpression' || n.type === 'NewExpression') {
        const callee = n.callee.type === 'MemberExpression' ? n.callee.property.name : n.callee.name;
        const methods = REACHED.map(i => i + '.' + callee).concat(`api.${callee}.${callee}`);
        for (const a of n.arguments.filter(a => a.type === 'ObjectExpression')) {
          for (const k of a.properties.map(p => p.key.name || p.key.value)) {
            methods.forEach(m => [m + '.options_parameter', `${m}.options_parameter.${k}_option`,
              `${m}.options_${k}_parameter`, `${m}.options_parameter.options_${k}_parameter`].forEach(o => use(o, where)));
            if (n.type === 'NewExpression') use(`api.${callee}.${k}`, where);
          }
        }
      }
    });
  };
  const css = (text, where) => {
    text = text.replace(/\/\*[\s\S]*?\*\//g, '');
    for (const m of text.matchAll(/@media[^{]*/g)) {
      for (const f of m[0].matchAll(/\(\s*(?:min-|max-)?([a-z-]+)\s*:/g)) use(`css.at-rules.media.${f[1]}`, where) || unknown.push(f[0]);
    }
    for (const m of text.replace(/@media[^{]*\{/g, '').matchAll(/([^{}]*)\{([^{}]*)\}/g)) {
      for (const p of m[1].matchAll(/::?([a-z-]+)/g)) use(`css.selectors.${p[1]}`, where) || unknown.push(p[0]);
      if (m[1].includes('>')) use('css.selectors.child', where);
      if (m[1].includes('*')) use('css.selectors.universal', where);
      const seen = new Set();
      for (const d of m[2].split(';').filter(d => d.trim())) {
        const [, prop, value] = /^\s*([-a-z]+)\s*:(.*)$/s.exec(d) || [, d, ''];
        const property = prop.startsWith('--') ? 'custom-property' : prop;
        if (!use(`css.properties.${property}`, where)) unknown.push(prop);
        // A value the browser lacks drops the declaration: one before it is
        // what such a browser gets.
        const inValue = path => use(path, where) && (seen.has(property) || alone.add(path));
        for (const f of value.matchAll(/([a-z-]+)\(/g)) inValue(`css.types.${f[1]}`) || found.has(`css.types.${f[1]}`) || unknown.push(f[0]);
        for (const u of value.matchAll(/\d(rem|em|vh|vw|px|%)/g)) inValue(`css.types.length.${u[1]}`);
        for (const w of value.matchAll(/(?<![\w(-])[a-z][a-z-]*(?![\w(-])/g)) {
          inValue(`css.properties.${property}.${w[0]}`);
          use(`css.properties.font-family.${w[0]}`, where); // a family the browser lacks is passed over
        }
        seen.add(property);
      }
    }
  };
  const policy = (text, where) => {
    for (const directive of text.split(';').map(d => d.trim().split(/\s+/))) {
      const [name, ...sources] = directive;
      if (!use(`${CSP}.${name}`, where)) unknown.push(name);
      for (const s of sources.filter(s => /^'[a-z-]+'$/.test(s) && !/^'(self|none)'$/.test(s))) {
        const k = s.slice(1, -1);
        use(`${CSP}.${name}.${k}`, where) || use(`${CSP}.${k}`, where) || unknown.push(s);
      }
    }
    use(`${CSP}.meta-element-support`, where);
  };
  const html = (text, where) => {
    for (const tag of text.matchAll(/<([a-z][a-z0-9]*)((?:\s+[a-z-]+(?:="[^"]*"|=[^\s">]+)?)*)\s*>/g)) {
      const element = `html.elements.${tag[1]}`;
      use(element, where) || unknown.push(tag[1]);
      for (const [, name, value = ''] of tag[2].matchAll(/([a-z-]+)(?:="?((?<=")[^"]*|[^\s">]*)"?)?/g)) {
        if (/^(aria-|role$)/.test(name)) continue; // ARIA's own roles and states
        const kind = use(`${element}.${name}_${value}`, where); // type_text
        if (!use(`${element}.${name}`, where) && !use(`html.global_attributes.${name}`, where) && !kind) unknown.push(name);
        use(`${element}.${name}.${value.toLowerCase()}`, where);
      }
    }
  };
  for (const [where, text] of files) {
    if (where.endsWith('.js')) {
      script(text, where);
      continue;
    }
    for (const m of text.matchAll(/<script>([\s\S]*?)<\/script>/g)) script(m[1], where);
    for (const m of text.matchAll(/<style>([\s\S]*?)<\/style>/g)) css(m[1], where);
    for (const m of text.matchAll(/http-equiv="Content-Security-Policy" content="([^"]*)"/g)) policy(m[1], where);
    html(text.replace(/<(script|style)>[\s\S]*?<\/\1>/g, ''), where);
  }
  return {found, tested, unknown, alone};
}

// Each problem with what `files` use, as a line.
function problems(files) {
  const {found, tested, unknown, alone} = uses(files);
  const lines = unknown.map(u => `${u}: not in MDN's data, so not known to work anywhere`);
  for (const [path, where] of found) {
    const lacks = lacking(path);
    if (lacks.length && !Object.keys(DEGRADES).some(d => (path + '.').startsWith(d + '.')) && !tested.has(path.split('.').pop())) {
      lines.push(`${path} (${where}): missing at the floor in ${lacks.join(', ')}`);
    } else if (lacks.length && alone.has(path) && !lacks.some(b => lacking(path.replace(/\.[^.]+$/, '')).includes(b))) {
      lines.push(`${path} (${where}): missing at the floor in ${lacks.join(', ')}, with nothing set before it`);
    }
  }
  return {lines, found};
}

const pages = process.argv.slice(2).map(p => [p, fs.readFileSync(p, 'utf8')]);
assert(pages.length, 'usage: compat_test.mjs PAGE...');
const shipped = problems(pages);
assert.deepEqual(shipped.lines, [], 'the pages use features that the floor lacks');
const stale = Object.keys(DEGRADES).filter(p => !shipped.found.has(p));
assert.deepEqual(stale, [], 'DEGRADES names features the pages no longer use');

// Each of these needs a browser newer than the floor.
const NEWER = [
  ['a.js', 'queueMicrotask(function () {});'],
  ['a.js', 'document.body.replaceChildren();'],
  ['a.js', 'var a = {}; a.b?.c;'],
  ['a.js', 'new Request("x", {signal: null});'],
  ['a.html', '<style>:is(p) { color: red; }</style>'],
  ['a.html', '<style>p { inset: 0; }</style>'],
  ['a.html', '<style>p { font: max(16px, 1rem) serif; }</style>'], // no font before it
  ['a.html', '<dialog open></dialog>'],
  ['a.html', '<input inputmode="numeric">'],
  ['a.html', `<meta http-equiv="Content-Security-Policy" content="script-src 'wasm-unsafe-eval'">`],
];
for (const [where, text] of NEWER) {
  let refused;
  try {
    refused = problems([[where, text]]).lines.length > 0;
  } catch (e) {
    refused = e instanceof SyntaxError;
  }
  assert(refused, `not refused: ${text}`);
}
console.log(`compat: ${shipped.found.size} features, all at the floor or degrading; ${NEWER.length} newer refused`);
