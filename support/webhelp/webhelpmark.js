/* Parvane Web Help: marks in a topic page the words the reader searched for.
 *
 * Every topic page of a help with search loads this file. Inside the frames it tells the
 * frameset that it is ready; when the page was opened from the search results, the
 * frameset answers with the words to mark (already folded: lower case, no accents) and
 * the pattern that splits text into words, the same the search uses. Nothing else of the
 * page is touched, and nothing is defined in its global scope. */
(function () {
  'use strict';
  if (window.parent === window) return;

  var SKIP = { SCRIPT: 1, STYLE: 1, NOSCRIPT: 1, TEXTAREA: 1, TEMPLATE: 1, MARK: 1, SVG: 1 };
  var CLASS = 'parvane-search-hit';

  function fold(word) {
    var w = word.toLowerCase();
    if (/[^\u0000-\u007f]/.test(w))
      w = w.normalize('NFD').replace(/[\u0300-\u036f]/g, '').normalize('NFC').replace(/\u03c2/g, '\u03c3');
    return w;
  }

  function unmark() {
    var old = document.querySelectorAll('mark.' + CLASS);
    for (var k = 0; k < old.length; k++) {
      var parent = old[k].parentNode;
      parent.replaceChild(document.createTextNode(old[k].textContent), old[k]);
      parent.normalize();
    }
  }

  function mark(words, pattern) {
    unmark();
    if (!document.body || !words || !words.length) return;
    var wanted = {};
    words.forEach(function (w) { wanted[String(w)] = true; });
    var splitter;
    try {
      splitter = new RegExp(String(pattern), 'gu');
    } catch (e) {
      return;
    }
    var texts = [];
    var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, {
      acceptNode: function (node) {
        for (var el = node.parentNode; el && el !== document.body; el = el.parentNode)
          if (SKIP[el.nodeName.toUpperCase()]) return NodeFilter.FILTER_REJECT;
        return /\S/.test(node.nodeValue) ? NodeFilter.FILTER_ACCEPT : NodeFilter.FILTER_REJECT;
      }
    });
    while (walker.nextNode()) texts.push(walker.currentNode);
    var first = null;
    var count = 0;
    for (var t = 0; t < texts.length && count < 1000; t++) {
      var node = texts[t];
      var text = node.nodeValue;
      var pieces = [];
      var last = 0;
      var match;
      splitter.lastIndex = 0;
      while ((match = splitter.exec(text)) !== null) {
        if (!wanted[fold(match[0])]) continue;
        pieces.push([last, match.index, match[0]]);
        last = match.index + match[0].length;
      }
      if (!pieces.length) continue;
      var fragment = document.createDocumentFragment();
      pieces.forEach(function (p) {
        if (p[1] > p[0]) fragment.appendChild(document.createTextNode(text.substring(p[0], p[1])));
        var hit = document.createElement('mark');
        hit.className = CLASS;
        hit.style.setProperty('background-color', '#ffe066', 'important');
        hit.style.setProperty('color', '#111111', 'important');
        hit.textContent = p[2];
        fragment.appendChild(hit);
        if (!first) first = hit;
        count++;
      });
      if (last < text.length) fragment.appendChild(document.createTextNode(text.substring(last)));
      node.parentNode.replaceChild(fragment, node);
    }
    if (first && first.scrollIntoView) first.scrollIntoView({ block: 'center' });
  }

  window.addEventListener('message', function (event) {
    var data = event.data;
    if (event.source !== window.parent || !data || typeof data !== 'object' || !data.parvaneMarkWords) return;
    var words = data.parvaneMarkWords.words;
    var run = function () { mark(Array.isArray(words) ? words : [], data.parvaneMarkWords.pattern); };
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', run);
    else run();
  });
  try {
    window.parent.postMessage({ parvaneMarkReady: location.href }, '*');
  } catch (e) { /* no frameset */ }
})();
