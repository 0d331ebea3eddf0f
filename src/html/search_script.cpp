// SPDX-License-Identifier: MIT
// The search page's script, the search box of every page and the licence
// note of the bundled lunr.js (see search_index.h).
#include "html/search_index.h"

#include "html/escape.h"

namespace korvane::html {

std::string search_form(std::string_view label) {
    std::string form =
        "<form class=\"search\" action=\"search.html\" role=\"search\"><input type=\"search\" name=\"q\" aria-label=\"";
    append_attribute(form, label);
    form += "\"> <button>";
    append_text(form, label);
    form += "</button></form>";
    return form;
}

// The folding and splitting of text here is that of search_tokens.h, term
// for term: both sides must agree on every token.
const std::string_view kSearchScript = R"js((function () {
  'use strict';
  var MAX_WORD = 64, SHOWN = 50, TITLE_BOOST = 10, K1 = 1.2, B = 0.75;
  var LETTER = /^[\p{L}\p{N}]$/u;
  var CJK = /^[\p{scx=Han}\p{scx=Hira}\p{scx=Kana}\p{scx=Hang}\p{scx=Bopo}]$/u;
  var MARKS = /[\p{M}\p{Cf}]/gu;
  var LATIN = { '\u00e6': 'ae', '\u0153': 'oe', '\u00f8': 'o', '\u0111': 'd', '\u00f0': 'd', '\u0142': 'l', '\u0127': 'h',
                '\u00fe': 'th', '\u0167': 't' };
  var folds = new Map();

  // A character's folding: pairs of a character and its class (0 separates,
  // 1 a letter or digit of a word, 2 a CJK character).
  function fold(ch) {
    var folded = folds.get(ch);
    if (folded) return folded;
    var code = ch.codePointAt(0), text = ch;
    if (code < 0xAC00 || code > 0xD7A3) {
      text = ch.normalize('NFKD').replace(MARKS, '').toLowerCase().toUpperCase().toLowerCase().normalize('NFKD').replace(MARKS, '');
    }
    folded = [];
    for (var c of text) {
      if (LATIN[c]) for (var letter of LATIN[c]) folded.push(letter, 1);
      else folded.push(c, LETTER.test(c) ? (CJK.test(c) ? 2 : 1) : 0);
    }
    folds.set(ch, folded);
    return folded;
  }

  // Calls each(token, start, end) for the tokens of text, start and end
  // being the UTF-16 offsets of what the token was made of, until it
  // returns true.
  function eachToken(text, each) {
    var word = '', length = 0, start = 0, end = 0, last = '', lastStart = 0, lastEnd = 0, alone = false, stop = false;
    function emit(token, s, e) { stop = stop || each(token, s, e) === true; }
    function endWord() { if (word) emit(word, start, end); word = ''; length = 0; }
    function endRun() { if (last && alone) emit(last, lastStart, lastEnd); last = ''; }
    for (var i = 0; i < text.length && !stop;) {
      var n = text.codePointAt(i) > 0xFFFF ? 2 : 1, folded = fold(text.slice(i, i + n));
      for (var k = 0; k < folded.length; k += 2) {
        var c = folded[k], kind = folded[k + 1];
        if (kind === 1) {
          endRun();
          if (!word) start = i;
          if (length < MAX_WORD) { word += c; length++; }
          end = i + n;
        } else if (kind === 2) {
          endWord();
          alone = !last;
          if (last) emit(last + c, lastStart, i + n);
          last = c; lastStart = i; lastEnd = i + n;
        } else {
          endWord();
          endRun();
        }
      }
      i += n;
    }
    if (!stop) { endWord(); endRun(); }
  }

  function tokens(text) {
    var out = [];
    eachToken(text, function (token) { out.push(token); });
    return out;
  }
  window.KorvaneSearch = { tokens: tokens };

  var results = document.getElementById('search-results');
  if (!results) return;
  // The page's sentences, in the site's language, are attributes of the
  // status line; the query and the number of topics found go into them as
  // text.
  var status = document.getElementById('search-status'), sentences = status.dataset;
  var query = new URLSearchParams(window.location.search).get('q') || '';
  function say(sentence, count) {
    status.textContent = (sentence || '').replace(/\{([nq])\}/g, function (_, what) {
      return what === 'n' ? String(count) : query;
    });
  }
  var box = document.getElementById('search-q');
  if (box) box.value = query;
  if (!query.trim()) { say(sentences.prompt); return; }
  document.title = query + ' - ' + document.title;
  var data = window.korvaneSearchIndex;
  if (typeof lunr === 'undefined' || !data) {
    say(sentences.unloaded);
    return;
  }

  // The index as the site holds it: the documents (page, title and text of
  // each, separated by line feeds), the number of tokens in the title and
  // the text of each, the terms (separated by spaces), and for each term its
  // postings, each list ended by a comma. Numbers are of base 32, the last
  // digit from the first 32 of DIGITS, earlier ones from the others. A
  // posting is delta * 4 + kind, delta the step from the term's previous
  // document (from 0 for the first); kind 1: once in the text, 2: once in
  // the title, 3: once in both, 0: the counts in the title and in the text
  // follow.
  //
  // lunr gets the part of it that the query needs, the terms that begin
  // with a word of the query, with the BM25 weights that lunr's own index
  // builder gives each term of each field (the title boosted): the scores
  // and ranks of the topics are those of the whole index.
  var DIGITS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/';
  var docs = data.docs ? data.docs.split('\n') : [], count = docs.length / 3;
  function load(words) {
    var value = new Int8Array(128), text = '', pos = 0;
    for (var d = 0; d < 64; d++) value[DIGITS.charCodeAt(d)] = d;
    function number() {
      for (var n = 0;;) {
        var digit = value[text.charCodeAt(pos++) & 127];
        if (digit < 32) return n * 32 + digit;
        n = n * 32 + digit - 32;
      }
    }
    var titleLength = new Float64Array(count), textLength = new Float64Array(count), titleSum = 0, textSum = 0;
    for (text = data.lengths, d = 0; d < count; d++) {
      titleSum += titleLength[d] = number();
      textSum += textLength[d] = number();
    }
    var titleAverage = titleSum / count || 1, textAverage = textSum / count || 1;
    var weight = function (idf, tf, length, average, boost) {
      return Math.round(boost * idf * (K1 + 1) * tf / (K1 * (1 - B + B * length / average) + tf) * 1000) / 1000;
    };
    var terms = data.terms ? data.terms.split(' ') : [], chosen = [], none = {};
    var invertedIndex = Object.create(null), titleVectors = [], textVectors = [];
    text = data.postings;
    for (var t = 0, start = 0; t < terms.length; t++, start = text.indexOf(',', start) + 1) {
      var term = terms[t];
      if (!words.some(function (w) { return whole(w) ? term === w : term.startsWith(w); })) continue;
      chosen.push(term);
      var posting = invertedIndex[term] = { _index: t, title: {}, body: {} }, found = [];
      for (var doc = 0, pos = start; text.charCodeAt(pos) !== 44;) {
        var v = number(), kind = v % 4, inTitle = kind >> 1, inText = kind & 1;
        doc += (v - kind) / 4;
        if (kind === 0) { inTitle = number(); inText = number(); }
        if (inTitle) posting.title[doc] = none;
        if (inText) posting.body[doc] = none;
        found.push(doc, inTitle, inText);
      }
      var idf = lunr.idf(posting, count);
      for (var f = 0; f < found.length; f += 3) {
        doc = found[f];
        if (found[f + 1]) {
          (titleVectors[doc] = titleVectors[doc] || []).push(t,
            weight(idf, found[f + 1], titleLength[doc], titleAverage, TITLE_BOOST));
        }
        if (found[f + 2]) {
          (textVectors[doc] = textVectors[doc] || []).push(t, weight(idf, found[f + 2], textLength[doc], textAverage, 1));
        }
      }
    }
    var fieldVectors = Object.create(null);
    titleVectors.forEach(function (elements, d) { fieldVectors['title/' + d] = new lunr.Vector(elements); });
    textVectors.forEach(function (elements, d) { fieldVectors['body/' + d] = new lunr.Vector(elements); });
    return new lunr.Index({
      invertedIndex: invertedIndex, fieldVectors: fieldVectors, fields: ['title', 'body'],
      tokenSet: lunr.TokenSet.fromArray(chosen.sort()), pipeline: new lunr.Pipeline()
    });
  }

  // Every word of the query must begin a word of the topic, as in the Find
  // tab of Windows Help, whole words weighing more; a word of one letter or
  // digit is taken whole, one CJK character finds the pairs it begins.
  var whole = function (w) { return w.length === 1 && !CJK.test(w); };
  var wanted = tokens(query), hits = [];
  if (wanted.length) {
    hits = load(wanted).query(function (q) {
      wanted.forEach(function (token) {
        q.term(token, { presence: lunr.Query.presence.REQUIRED, usePipeline: false,
                        wildcard: whole(token) ? lunr.Query.wildcard.NONE : lunr.Query.wildcard.TRAILING });
        q.term(token, { usePipeline: false, boost: 10 });
      });
    });
  }
  var matches = function (token) {
    return wanted.some(function (w) { return whole(w) ? token === w : token.startsWith(w); });
  };

  // Text with its matches marked, from first to last (UTF-16 offsets).
  function marked(text, first, last) {
    var spans = [], part = document.createDocumentFragment(), at = first;
    eachToken(text.slice(first, last), function (token, s, e) {
      if (!matches(token)) return;
      var top = spans[spans.length - 1];
      if (top && s <= top[1]) top[1] = Math.max(top[1], e); else spans.push([s, e]);
    });
    spans.forEach(function (span) {
      part.appendChild(document.createTextNode(text.slice(at, first + span[0])));
      var mark = document.createElement('mark');
      mark.textContent = text.slice(first + span[0], first + span[1]);
      part.appendChild(mark);
      at = first + span[1];
    });
    part.appendChild(document.createTextNode(text.slice(at, last)));
    return part;
  }

  // The text around the first match.
  function excerpt(text) {
    var found = -1;
    eachToken(text, function (token, s) { if (matches(token)) { found = s; return true; } });
    var first = Math.max(0, found - 60), last;
    if (found < 0) first = 0;
    var space = text.indexOf(' ', first);
    if (first > 0 && space >= 0 && space < found) first = space + 1;
    last = Math.min(text.length, first + 220);
    space = text.lastIndexOf(' ', last);
    if (last < text.length && space > first + 120) last = space;
    var p = document.createElement('p');
    p.className = 'excerpt';
    if (first > 0) p.appendChild(document.createTextNode('\u2026 '));
    p.appendChild(marked(text, first, last));
    if (last < text.length) p.appendChild(document.createTextNode(' \u2026'));
    return p;
  }

  var shown = 0, more = null;
  function showMore() {
    var end = Math.min(hits.length, shown + SHOWN);
    for (; shown < end; shown++) {
      var doc = Number(hits[shown].ref), page = docs[3 * doc], title = docs[3 * doc + 1];
      var item = document.createElement('li'), link = document.createElement('a');
      link.setAttribute('href', page);
      link.appendChild(marked(title, 0, title.length));
      item.appendChild(link);
      item.appendChild(excerpt(docs[3 * doc + 2]));
      results.appendChild(item);
    }
    if (shown < hits.length && !more) {
      more = document.createElement('button');
      more.type = 'button';
      more.textContent = sentences.more || '';
      more.addEventListener('click', showMore);
      results.after(more);
    }
    if (more) more.hidden = shown >= hits.length;
  }
  if (!hits.length) {
    say(sentences.none);
  } else {
    say(hits.length === 1 ? sentences.one : sentences.many, hits.length);
    showMore();
  }
})();
)js";

// Follows the header comment of lunr.min.js, which names its version and
// its authors, in the licence note of the site.
const std::string_view kLunrLicence = R"(
lunr.js is under this licence (MIT):

Permission is hereby granted, free of charge, to any person obtaining a copy of
this software and associated documentation files (the "Software"), to deal in
the Software without restriction, including without limitation the rights to
use, copy, modify, merge, publish, distribute, sublicense, and/or sell copies of
the Software, and to permit persons to whom the Software is furnished to do so,
subject to the following conditions:

The above copyright notice and this permission notice shall be included in all
copies or substantial portions of the Software.

THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS
FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR
COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER
IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN
CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.
)";

}  // namespace korvane::html
