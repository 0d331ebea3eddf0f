#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// The HTML Help viewer of Windows 10 and 11 runs scripts with Internet Explorer 11's engine, which knows
// ECMAScript 5 and no later. This parses, with Debian's acorn set to ES5, every .js file under a folder,
// every inline <script> of its .htm and .html pages and every on... event attribute, and prints
// FILE:LINE:COLUMN of each that does not parse. Exit status 1 when one does not, 2 on a bad call.
// Usage: node tests/chm/check_es5.js DIR
'use strict';
const fs = require('fs');
const path = require('path');

function loadAcorn() {
  for (const where of ['/usr/share/nodejs/acorn', 'acorn']) {
    try { return require(where); } catch (e) { /* next place */ }
  }
  console.error('check_es5: acorn not found (Debian package node-acorn)');
  process.exit(2);
}
const acorn = loadAcorn();

// Script types that browsers run; a <script> of another type (templates, JSON data) is not JavaScript.
const JS_TYPES = /^\s*(|(text|application)\/(javascript|ecmascript)|text\/jscript)\s*$/i;

function lineOf(text, offset) {
  let line = 1;
  for (let i = text.indexOf('\n'); i >= 0 && i < offset; i = text.indexOf('\n', i + 1)) line++;
  return line;
}

function attribute(attrs, name) {
  const m = new RegExp('\\b' + name + '\\s*=\\s*(?:"([^"]*)"|\'([^\']*)\'|([^\\s>]+))', 'i').exec(attrs);
  return m ? (m[1] !== undefined ? m[1] : m[2] !== undefined ? m[2] : m[3]) : null;
}

function unescapeAttribute(value) {
  return value.replace(/&(#x[0-9a-f]+|#[0-9]+|quot|amp|lt|gt|apos);/gi, (all, what) => {
    const w = what.toLowerCase();
    if (w[0] === '#') return String.fromCharCode(w[1] === 'x' ? parseInt(w.slice(2), 16) : parseInt(w.slice(1), 10));
    return { quot: '"', amp: '&', lt: '<', gt: '>', apos: "'" }[w];
  });
}

// The pieces of JavaScript of one file: [source, first line, first column] each.
function scriptsOf(file, text) {
  if (/\.js$/i.test(file)) return [[text, 1, 0]];
  const pieces = [];
  const scripts = /<script\b([^>]*)>([\s\S]*?)<\/script\s*>/gi;
  let m;
  while ((m = scripts.exec(text)) !== null) {
    const type = attribute(m[1], 'type');
    if (attribute(m[1], 'src') !== null || (type !== null && !JS_TYPES.test(type))) continue;
    const start = m.index + m[0].indexOf('>') + 1;
    pieces.push([m[2], lineOf(text, start), start - text.lastIndexOf('\n', start - 1) - 1]);
  }
  const tags = /<[a-z][^\s>]*((?:\s+[^\s=>]+(?:\s*=\s*(?:"[^"]*"|'[^']*'|[^\s>]+))?)*)\s*\/?>/gi;
  while ((m = tags.exec(text)) !== null) {
    const handlers = /\bon[a-z]+\s*=\s*(?:"([^"]*)"|'([^']*)')/gi;
    let h;
    while ((h = handlers.exec(m[1])) !== null) {
      // wrapped as the browser does, the value on the first line so that positions stay the file's
      const head = '(function (event) {';
      const at = m.index + m[0].indexOf(h[0]) + h[0].search(/["']/) + 1;
      const body = unescapeAttribute(h[1] !== undefined ? h[1] : h[2]);
      pieces.push([head + body + '\n})', lineOf(text, at), at - text.lastIndexOf('\n', at - 1) - 1 - head.length]);
    }
  }
  return pieces;
}

function walk(dir, out) {
  for (const entry of fs.readdirSync(dir, { withFileTypes: true }).sort((a, b) => a.name.localeCompare(b.name))) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) walk(full, out);
    else if (/\.(js|html?)$/i.test(entry.name)) out.push(full);
  }
  return out;
}

function main(args) {
  if (args.length !== 1 || !fs.existsSync(args[0]) || !fs.statSync(args[0]).isDirectory()) {
    console.error('usage: node check_es5.js DIR');
    return 2;
  }
  let files = 0, scripts = 0, failed = 0;
  for (const file of walk(args[0], [])) {
    files++;
    // latin1 keeps every byte of a page in any code page; scripts themselves are ASCII or sit in strings
    const text = fs.readFileSync(file, 'latin1');
    for (const [source, line, column] of scriptsOf(file, text)) {
      scripts++;
      try {
        acorn.parse(source, { ecmaVersion: 5, sourceType: 'script', locations: true });
      } catch (e) {
        if (!e.loc) throw e;
        failed++;
        const col = e.loc.line === 1 ? e.loc.column + column : e.loc.column;
        console.log(`${file}:${line + e.loc.line - 1}:${col + 1}: ${e.message.replace(/ \(\d+:\d+\)$/, '')}`);
      }
    }
  }
  console.log(`${files} files, ${scripts} scripts, ${failed} not ES5`);
  return failed ? 1 : 0;
}

process.exitCode = main(process.argv.slice(2));
