/* Parvane Web Help: the script of the frame pages.
 *
 * index.htm       the top page: the title bar and the frameset below it
 * webhelpframe.htm the navigation pane ("nav") and the topic pane ("content")
 * webhelpleft.htm the contents tree; webhelpindex.htm the keyword index;
 * webhelpsearch.htm the full-text search (with minisearch.js, porter2.js and the data
 *                 the build writes, webhelpsearchdata.js)
 *
 * The generated tree calls SetEnv, NodeClick, LinkClick and LinkDblClick and sets
 * divlist; the index calls writepage. Topic pages ask parent.nav.selectNode(i) to show
 * their node once parent.nav.loaded is true. When the browser keeps frames apart (pages
 * opened from disk), the frames talk through postMessage instead and nothing else
 * reaches across a frame.
 *
 * The tree arrives inside a <template>, where its thousands of images cost nothing: the
 * rows of a folder's hidden block enter the page only when the block is first needed.
 */

var loaded = false;  // read by the topic pages: the tree is ready for selectNode
var divlist = [];    // set by the generated tree: the ids of every folder's block

var PV = {
  lines: true,
  autoCollapse: false,
  selected: -1,
  clickState: null,
  open: {},
  stash: {},        // folder id -> its block's rows, not yet in the page
  inertDoc: null,   // the template's document, which never loads images
  storeKey: 'parvane:' + location.pathname.replace(/[^\/]*$/, '')
};

/* ---- shared helpers ------------------------------------------------------------------ */

function pvPost(target, message) {
  try {
    if (target && target !== window) target.postMessage(message, '*');
  } catch (e) { /* the frame is gone */ }
}

function pvStore(name, value) {
  try {
    if (value === undefined) return JSON.parse(sessionStorage.getItem(PV.storeKey + name));
    sessionStorage.setItem(PV.storeKey + name, JSON.stringify(value));
  } catch (e) { /* storage is not available for pages opened from disk in some browsers */ }
  return null;
}

function pvLocalStore(name, value) {
  try {
    if (value === undefined) return localStorage.getItem(PV.storeKey + name);
    localStorage.setItem(PV.storeKey + name, String(value));
  } catch (e) { /* see pvStore */ }
  return null;
}

/* A page named in a link "index.htm#page=scr/x.htm" (or the older "#page=x.htm"):
 * only a relative address that stays inside the help is accepted, never a script or
 * another site. Returns the address relative to the help's folder, or "". */
function pvSafePage(value) {
  if (!value) return '';
  var page = String(value);
  try { page = decodeURIComponent(page); } catch (e) { /* a literal "%" */ }
  page = page.replace(/\\/g, '/');
  var probe = page.replace(/[\t\n\r]/g, '').replace(/^[\u0000-\u0020]+/, '');
  if (probe === '' || probe.charAt(0) === '/' || /^[a-z][a-z0-9+.\-]*:/i.test(probe)) return '';
  if (/(^|\/)\.\.(\/|$)/.test(page)) return '';
  if (!/^scr\//i.test(page)) page = 'scr/' + page;
  return page;
}

function pvPageFromHash(hash) {
  var match = /(?:^#|&)page=(.*)$/.exec(hash || '');
  return match ? pvSafePage(match[1]) : '';
}

/* ---- index.htm: the title bar and the frameset ---------------------------------------- */

function pvInitTop() {
  var main = document.getElementById('main');
  var bar = document.getElementById('bar');
  function frameUrl() {
    var page = pvPageFromHash(location.hash);
    return 'webhelpframe.htm' + (page ? '#page=' + encodeURI(page) : '');
  }
  main.src = frameUrl();
  window.addEventListener('hashchange', function () {
    var page = pvPageFromHash(location.hash);
    if (page) pvPost(main.contentWindow, { parvaneOpen: page });
  });
  window.addEventListener('message', function (event) {
    if (event.source === bar.contentWindow && event.data && event.data.parvaneToggleNav)
      pvPost(main.contentWindow, { parvaneToggleNav: true });
  });
}

/* ---- webhelpframe.htm: the navigation and topic panes --------------------------------- */

function pvInitFrame(defaultPage, navWidth) {
  var body = document.body;
  var navFrame = document.getElementById('nav');
  var contentFrame = document.getElementById('content');
  var split = document.getElementById('split');
  var shield = document.getElementById('shield');
  var navReady = false;
  var pendingSync = -1;
  var wantFirstPage = false;

  var first = pvPageFromHash(location.hash) || pvSafePage(defaultPage);
  if (first) contentFrame.src = first;
  else wantFirstPage = true;

  var width = parseInt(pvLocalStore('navWidth'), 10) || parseInt(navWidth, 10) || 260;
  function setWidth(w) {
    var max = Math.max(180, Math.round(window.innerWidth * 0.7));
    width = Math.max(150, Math.min(max, Math.round(w)));
    body.style.setProperty('--nav-width', width + 'px');
    split.setAttribute('aria-valuemin', '150');
    split.setAttribute('aria-valuemax', String(max));
    split.setAttribute('aria-valuenow', String(width));
  }
  setWidth(width);
  // On a narrow screen the navigation is a panel over the topic, closed until asked for
  // and closed again once a topic is chosen.
  var narrow = window.matchMedia ? window.matchMedia('(max-width: 700px)') : { matches: false };
  if (narrow.matches) body.classList.add('nav-hidden');
  function closePanel() {
    if (narrow.matches) body.classList.add('nav-hidden');
  }
  // The navigation pages lay themselves out for the width of the whole window, which
  // their own (narrow) frame cannot tell them.
  function tellLayout() {
    pvPost(navFrame.contentWindow, { parvaneLayout: narrow.matches ? 'narrow' : 'wide' });
  }
  if (narrow.addEventListener) narrow.addEventListener('change', tellLayout);
  contentFrame.addEventListener('load', closePanel);
  var scrim = document.getElementById('scrim');
  if (scrim) scrim.addEventListener('click', closePanel);
  var pendingMark = null;  // the words to mark in the next page: { page, words, pattern }

  var dragging = false;
  split.addEventListener('pointerdown', function (event) {
    dragging = true;
    shield.style.display = 'block';
    split.classList.add('active');
    event.preventDefault();
  });
  window.addEventListener('pointermove', function (event) {
    if (dragging) setWidth(event.clientX);
  });
  window.addEventListener('pointerup', function () {
    if (!dragging) return;
    dragging = false;
    shield.style.display = 'none';
    split.classList.remove('active');
    pvLocalStore('navWidth', width);
  });
  split.addEventListener('keydown', function (event) {
    var step = event.shiftKey ? 64 : 16;
    if (event.key === 'ArrowLeft') setWidth(width - step);
    else if (event.key === 'ArrowRight') setWidth(width + step);
    else return;
    pvLocalStore('navWidth', width);
    event.preventDefault();
  });
  split.addEventListener('dblclick', function () {
    setWidth(parseInt(navWidth, 10) || 260);
    pvLocalStore('navWidth', width);
  });

  window.addEventListener('hashchange', function () {
    var page = pvPageFromHash(location.hash);
    if (page) contentFrame.src = page;
  });

  // Messages stand in for the calls across frames that the browser may refuse.
  window.addEventListener('message', function (event) {
    var data = event.data;
    if (!data || typeof data !== 'object') return;
    if (event.source === contentFrame.contentWindow && typeof data.parvaneSync === 'number') {
      pendingSync = data.parvaneSync;
      if (navReady) pvPost(navFrame.contentWindow, { parvaneSync: pendingSync });
    } else if (event.source === navFrame.contentWindow && data.parvaneNavReady) {
      navReady = true;
      tellLayout();
      if (pendingSync >= 0) pvPost(navFrame.contentWindow, { parvaneSync: pendingSync });
      if (wantFirstPage) pvPost(navFrame.contentWindow, { parvaneWantFirstPage: true });
    } else if (event.source === navFrame.contentWindow && data.parvaneFirstPage) {
      var page = pvSafePage(data.parvaneFirstPage);
      if (wantFirstPage && page) contentFrame.src = page;
      wantFirstPage = false;
    } else if (event.source === window.parent && data.parvaneOpen) {
      var open = pvSafePage(data.parvaneOpen);
      if (open) contentFrame.src = open;
    } else if (event.source === window.parent && data.parvaneToggleNav) {
      body.classList.toggle('nav-hidden');
    } else if (event.source === navFrame.contentWindow && (data.parvaneTopicChosen || data.parvaneCloseNav)) {
      closePanel();
    } else if (event.source === navFrame.contentWindow && data.parvaneMark) {
      pendingMark = data.parvaneMark;
    } else if (event.source === contentFrame.contentWindow && typeof data.parvaneMarkReady === 'string') {
      // A topic page that can mark words has loaded: give it the words if they are for it.
      if (pendingMark && pvSameDocument(pendingMark.page, data.parvaneMarkReady))
        pvPost(event.source, { parvaneMarkWords: { words: pendingMark.words, pattern: pendingMark.pattern } });
      pendingMark = null;
    }
  });
}

function pvSameDocument(a, b) {
  try {
    var x = new URL(a, location.href);
    var y = new URL(b, location.href);
    x.hash = '';
    y.hash = '';
    return x.href === y.href;
  } catch (e) {
    return false;
  }
}

/* ---- webhelptop.htm: the title bar --------------------------------------------------- */

function pvInitBar() {
  var button = document.getElementById('toggle');
  if (button) button.addEventListener('click', function () {
    pvPost(window.parent, { parvaneToggleNav: true });
  });
}

/* ---- webhelpleft.htm: the contents tree ---------------------------------------------- */

function SetEnv(lines, autoCollapse) {
  PV.lines = String(lines) === '0';
  PV.autoCollapse = autoCollapse === true || autoCollapse === 'true';
}

function pvIsBlock(node) {
  return node.nodeType === 1 && node.tagName === 'DIV' && /^d\d+$/.test(node.id);
}

// Sets aside the rows of every folder block directly in `container`.
function pvStashBlocks(container) {
  for (var node = container.firstChild; node; node = node.nextSibling) {
    if (!pvIsBlock(node) || !node.firstChild) continue;
    var rows = PV.inertDoc.createDocumentFragment();
    while (node.firstChild) rows.appendChild(node.firstChild);
    PV.stash[node.id.substring(1)] = rows;
  }
}

// Brings a folder's rows into the page (they stay hidden until the block opens).
function pvMaterialize(id) {
  var rows = PV.stash[id];
  var block = document.getElementById('d' + id);
  if (!rows || !block) return;
  delete PV.stash[id];
  pvStashBlocks(rows);
  block.appendChild(rows);
  pvDescribeRows(block);
}

/* ---- the tree for keyboards and screen readers ----------------------------------------
 * The generated rows become an ARIA tree as they enter the page: each topic's link is a
 * treeitem (its folder block, a group, hangs from it through aria-owns), the expander
 * links are for the mouse only, and one treeitem at a time is in the tab order. */

function pvTreeItem(id) {
  var label = document.getElementById('l' + id);
  return label ? label.parentNode : null;
}

function pvDescribeRows(container) {
  var level = 1;
  for (var el = container; el && el.id !== 'tree'; el = el.parentNode)
    if (pvIsBlock(el)) level++;
  if (pvIsBlock(container)) container.setAttribute('role', 'group');
  for (var row = container.firstElementChild; row; row = row.nextElementSibling) {
    if (pvIsBlock(row)) {
      row.setAttribute('role', 'group');
      continue;
    }
    if (row.tagName !== 'DIV') continue;
    row.setAttribute('role', 'none');
    if (row.firstElementChild) row.firstElementChild.setAttribute('role', 'none');
    var images = row.getElementsByTagName('img');
    for (var k = 0; k < images.length; k++) images[k].setAttribute('alt', '');
    var links = row.getElementsByTagName('a');
    for (var n = 0; n < links.length; n++) {
      var link = links[n];
      var span = link.querySelector('span[id^="l"]');
      if (!span) {
        // The expander: the arrow keys do its work.
        link.setAttribute('aria-hidden', 'true');
        link.setAttribute('tabindex', '-1');
        continue;
      }
      var id = span.id.substring(1);
      link.setAttribute('role', 'treeitem');
      link.setAttribute('aria-level', String(level));
      link.setAttribute('tabindex', '-1');
      link.setAttribute('aria-selected', String(PV.selected) === id ? 'true' : 'false');
      if (document.getElementById('d' + id)) {
        link.setAttribute('aria-owns', 'd' + id);
        link.setAttribute('aria-expanded', pvIsOpen(id) ? 'true' : 'false');
      }
    }
  }
  pvKeepTabStop();
}

function pvVisible(el) {
  return !!el && el.getClientRects().length > 0;
}

// Exactly one treeitem can be reached with Tab: the focused one, else the selected
// topic, else the first.
function pvKeepTabStop(preferred) {
  var tree = document.getElementById('tree');
  if (!tree) return;
  var current = tree.querySelector('[role="treeitem"][tabindex="0"]');
  var wanted = preferred || (current && pvVisible(current) ? current : null) ||
    (PV.selected >= 0 && pvVisible(pvTreeItem(PV.selected)) ? pvTreeItem(PV.selected) : null) ||
    tree.querySelector('[role="treeitem"]');
  if (current && current !== wanted) current.setAttribute('tabindex', '-1');
  if (wanted) wanted.setAttribute('tabindex', '0');
}

function pvFocusItem(item) {
  if (!item) return;
  pvKeepTabStop(item);
  item.focus();
  if (item.scrollIntoView) item.scrollIntoView({ block: 'nearest' });
}

function pvItemId(item) {
  var span = item && item.querySelector('span[id^="l"]');
  return span ? span.id.substring(1) : null;
}

function pvTreeKey(event) {
  var item = event.target && event.target.closest ? event.target.closest('[role="treeitem"]') : null;
  if (!item || event.altKey || event.ctrlKey || event.metaKey) return;
  var id = pvItemId(item);
  var tree = document.getElementById('tree');
  var items = Array.prototype.filter.call(tree.querySelectorAll('[role="treeitem"]'), pvVisible);
  var at = items.indexOf(item);
  var folder = item.hasAttribute('aria-expanded');
  switch (event.key) {
    case 'ArrowDown':
      pvFocusItem(items[Math.min(at + 1, items.length - 1)]);
      break;
    case 'ArrowUp':
      pvFocusItem(items[Math.max(at - 1, 0)]);
      break;
    case 'Home':
      pvFocusItem(items[0]);
      break;
    case 'End':
      pvFocusItem(items[items.length - 1]);
      break;
    case 'ArrowRight':
      if (!folder) break;
      if (!pvIsOpen(id)) pvOpen(id);
      else pvFocusItem(pvBlock(id).querySelector('[role="treeitem"]'));
      break;
    case 'ArrowLeft':
      if (folder && pvIsOpen(id)) {
        pvSetOpen(id, false);
      } else {
        var parents = pvAncestors(item);
        if (parents.length) pvFocusItem(pvTreeItem(parents[0]));
      }
      break;
    case ' ':
      item.click();
      break;
    default:
      return;
  }
  event.preventDefault();
}

function pvBlock(id) {
  pvMaterialize(id);
  return document.getElementById('d' + id);
}

// The label of a node, with the rows around it brought into the page when needed.
function pvLabel(id) {
  for (;;) {
    var label = document.getElementById('l' + id);
    if (label) return label;
    var holder = null;
    for (var key in PV.stash) {
      if (PV.stash[key].getElementById('l' + id)) { holder = key; break; }
    }
    if (holder === null) return null;
    pvMaterialize(holder);
  }
}

function pvIsOpen(id) {
  var block = document.getElementById('d' + id);
  return !!block && block.style.display !== 'none';
}

function pvSwapExpander(src, open) {
  return open ? src.replace(/plus\.gif$/i, 'minus.gif') : src.replace(/minus\.gif$/i, 'plus.gif');
}

// Books and folders 1/2, 3/4, 5/6 and 7/8 are closed/open pairs; others stay the same.
function pvOpenImage(closedSrc) {
  return closedSrc.replace(/(^|\/)([1357])\.gif$/, function (all, slash, n) {
    return slash + (Number(n) + 1) + '.gif';
  });
}

function pvSetOpen(id, open) {
  var block = pvBlock(id);
  if (!block || pvIsOpen(id) === open) return;
  block.style.display = open ? '' : 'none';
  var expander = document.getElementById('imgn' + id);
  if (expander) expander.setAttribute('src', pvSwapExpander(expander.getAttribute('src'), open));
  var image = document.getElementById('img' + id);
  if (image) {
    if (!image.getAttribute('data-closed')) image.setAttribute('data-closed', image.getAttribute('src'));
    var closed = image.getAttribute('data-closed');
    image.setAttribute('src', open ? pvOpenImage(closed) : closed);
  }
  var label = document.getElementById('l' + id);
  if (label && label.parentNode) label.parentNode.setAttribute('aria-expanded', open ? 'true' : 'false');
  if (open) PV.open[id] = true;
  else delete PV.open[id];
  pvStore('open', Object.keys(PV.open));
}

// The folder ids that hold a node, nearest first.
function pvAncestors(node) {
  var ids = [];
  for (var el = node && node.parentNode; el && el.id !== 'tree'; el = el.parentNode)
    if (pvIsBlock(el)) ids.push(el.id.substring(1));
  return ids;
}

function pvOpen(id) {
  if (PV.autoCollapse) {
    var keep = {};
    keep[id] = true;
    pvAncestors(pvBlock(id)).forEach(function (a) { keep[a] = true; });
    Object.keys(PV.open).forEach(function (other) { if (!keep[other]) pvSetOpen(other, false); });
  }
  pvSetOpen(id, true);
}

function pvToggle(id) {
  if (pvIsOpen(id)) pvSetOpen(id, false);
  else pvOpen(id);
}

function pvHighlight(id, reveal) {
  var label = pvLabel(id);
  if (!label) return;
  if (PV.selected >= 0 && String(PV.selected) !== String(id)) {
    var old = document.getElementById('l' + PV.selected);
    if (old) {
      old.className = 'unselected';
      if (old.parentNode) {
        old.parentNode.removeAttribute('aria-current');
        old.parentNode.setAttribute('aria-selected', 'false');
      }
    }
  }
  label.className = 'selected';
  if (label.parentNode) {
    label.parentNode.setAttribute('aria-current', 'page');
    label.parentNode.setAttribute('aria-selected', 'true');
  }
  PV.selected = Number(id);
  pvKeepTabStop(pvVisible(label.parentNode) ? label.parentNode : null);
  pvStore('selected', PV.selected);
  if (reveal && label.scrollIntoView) label.scrollIntoView({ block: 'nearest' });
}

function NodeClick(id) {
  pvToggle(id);
  return false;
}

function LinkClick(id, isFolder, hasPage) {
  var event = window.event;
  // The second click of a double click belongs to LinkDblClick.
  if (event && event.detail > 1) return false;
  PV.clickState = { id: String(id), wasOpen: pvIsOpen(id) };
  pvHighlight(id, false);
  if (isFolder) {
    if (hasPage) {
      pvOpen(id);
      return true;
    }
    pvToggle(id);
    return false;
  }
  return !!hasPage;
}

function LinkDblClick(id) {
  var wasOpen = PV.clickState && PV.clickState.id === String(id) ? PV.clickState.wasOpen : pvIsOpen(id);
  if (wasOpen) pvSetOpen(id, false);
  else pvOpen(id);
  return false;
}

// Shows a topic's node: opens the folders above it, highlights it and scrolls to it.
function selectNode(index) {
  if (!document.getElementById('tree')) {
    pvStore('selected', Number(index));  // the index tab is showing: remember it for the tree
    return;
  }
  var label = pvLabel(index);
  if (!label) return;
  var folders = pvAncestors(label.parentNode);
  for (var k = folders.length - 1; k >= 0; k--) pvOpen(folders[k]);
  pvHighlight(index, true);
}

function pvFirstPage() {
  var tree = document.getElementById('tree');
  if (!tree) return '';
  var sources = [tree];
  Object.keys(PV.stash).forEach(function (key) { sources.push(PV.stash[key]); });
  for (var s = 0; s < sources.length; s++) {
    var links = sources[s].querySelectorAll('a[target="content"]');
    for (var k = 0; k < links.length; k++) {
      var href = links[k].getAttribute('href');
      if (href && href !== '#' && /^scr\//i.test(href)) return href;
    }
  }
  return '';
}

// The scripts of the generated tree do not run inside the template: their two calls are
// read from their text.
function pvReadTreeScripts(container) {
  var scripts = container.querySelectorAll('script');
  for (var k = 0; k < scripts.length; k++) {
    var text = scripts[k].textContent;
    var env = /SetEnv\(\s*'?(\w+)'?\s*,\s*'?(\w+)'?\s*\)/.exec(text);
    if (env) SetEnv(env[1], env[2]);
    var list = /divlist\s*=\s*\[([\d,\s]*)\]/.exec(text);
    if (list) divlist = list[1].split(',').filter(function (x) { return x.trim() !== ''; }).map(Number);
    scripts[k].parentNode.removeChild(scripts[k]);
  }
}

function pvInitTree() {
  var tree = document.getElementById('tree');
  var source = document.getElementById('treesource');
  if (source && source.content) {
    var rows = source.content;
    PV.inertDoc = rows.ownerDocument;
    pvReadTreeScripts(rows);
    pvStashBlocks(rows);
    source.parentNode.removeChild(source);
    tree.appendChild(rows);
  }
  tree.setAttribute('role', 'tree');
  tree.setAttribute('aria-label', 'Contents');
  pvDescribeRows(tree);
  tree.addEventListener('keydown', pvTreeKey);
  var open = pvStore('open');
  if (open && open.forEach) open.forEach(function (id) { if (pvBlock(id)) pvSetOpen(id, true); });
  // The topic chosen while another tab showed (from the index or the search) is shown
  // with the folders above it open.
  var selected = pvStore('selected');
  if (typeof selected === 'number' && selected >= 0) selectNode(selected);
}

/* ---- webhelpindex.htm: the keyword index ------------------------------------------- */

function pvCloseChooser() {
  var chooser = document.getElementById('chooser');
  if (chooser) chooser.hidden = true;
}

// The topics of one keyword: one opens at once, several are offered to choose from.
function writepage(entries) {
  var event = window.event;
  var anchor = event && event.currentTarget && event.currentTarget.tagName === 'A' ? event.currentTarget : null;
  if (!entries || !entries.length) return false;
  if (entries.length === 1) {
    pvCloseChooser();
    if (anchor) {
      anchor.setAttribute('href', entries[0][1]);
      return true;  // the link opens the page in the topic pane
    }
    window.open(entries[0][1], 'content');
    return false;
  }
  var chooser = document.getElementById('chooser');
  if (!chooser) return false;
  var list = chooser.querySelector('ul');
  var heading = chooser.querySelector('.chooser-title');
  while (list.firstChild) list.removeChild(list.firstChild);
  while (heading.firstChild) heading.removeChild(heading.firstChild);
  heading.appendChild(document.createTextNode('Topics for '));
  var keyword = document.createElement('b');
  keyword.textContent = anchor ? anchor.textContent : '';
  heading.appendChild(keyword);
  entries.forEach(function (entry) {
    var item = document.createElement('li');
    var link = document.createElement('a');
    link.textContent = entry[0];
    link.setAttribute('href', entry[1]);
    link.setAttribute('target', 'content');
    link.addEventListener('click', pvCloseChooser);
    item.appendChild(link);
    list.appendChild(item);
  });
  chooser.hidden = false;
  // Below the keyword, or above it when the pane has no room left below.
  var box = anchor ? anchor.getBoundingClientRect() : { top: 8, bottom: 8 };
  var height = chooser.offsetHeight;
  var below = box.bottom + 4;
  var top = below + height > window.innerHeight && box.top - 4 - height >= 0 ? box.top - 4 - height : below;
  chooser.style.top = (top + window.scrollY) + 'px';
  if (chooser.scrollIntoView) chooser.scrollIntoView({ block: 'nearest' });
  var firstLink = list.querySelector('a');
  if (firstLink) firstLink.focus({ preventScroll: true });
  return false;
}

// Shows the entries whose text holds the query, with the levels above and below them.
// The generated index nests a level's list beside its entry; lists may only hold list
// items, so each nested list moves into the entry before it.
function pvNestIndexLists(root) {
  var lists = root.querySelectorAll('ul');
  for (var k = 0; k < lists.length; k++) {
    var list = lists[k];
    if (list.parentNode.tagName !== 'UL') continue;
    var holder = list.previousElementSibling;
    if (!holder || holder.tagName !== 'LI') {
      holder = document.createElement('li');
      list.parentNode.insertBefore(holder, list);
    }
    holder.appendChild(list);
  }
}

// The text of an index entry itself, without its sub-entries.
function pvOwnText(item) {
  for (var child = item.firstElementChild; child; child = child.nextElementSibling)
    if (child.tagName === 'A') return child.textContent;
  var text = '';
  for (var node = item.firstChild; node; node = node.nextSibling)
    if (node.nodeType === 3) text += node.nodeValue;
  return text;
}

function pvFilterList(list, query, parentMatches) {
  var any = false;
  var items = list.children;
  for (var k = 0; k < items.length; k++) {
    var item = items[k];
    if (item.tagName !== 'LI') continue;
    var sub = item.lastElementChild && item.lastElementChild.tagName === 'UL' ? item.lastElementChild : null;
    var text = pvOwnText(item).toLowerCase();
    var matches = parentMatches || query === '' || text.indexOf(query) >= 0;
    var subVisible = sub ? pvFilterList(sub, query, matches) : false;
    var visible = matches || subVisible;
    item.hidden = !visible;
    if (sub) sub.hidden = !subVisible && !matches;
    any = any || visible;
  }
  return any;
}

function pvInitIndex() {
  var root = document.querySelector('#index > ul');
  if (root) pvNestIndexLists(root);
  var filter = document.getElementById('filter');
  var empty = document.getElementById('noentries');
  var hasEntries = !!(root && root.querySelector('a'));
  if (empty) empty.hidden = hasEntries;
  if (filter) {
    if (!hasEntries) filter.hidden = true;
    var timer = 0;
    filter.addEventListener('input', function () {
      clearTimeout(timer);
      timer = setTimeout(function () {
        var found = root ? pvFilterList(root, filter.value.trim().toLowerCase(), false) : false;
        if (empty) empty.hidden = found;
      }, 120);
    });
    filter.addEventListener('keydown', function (event) {
      if (event.key !== 'Enter' || !root) return;
      var links = root.querySelectorAll('a');
      for (var k = 0; k < links.length; k++) {
        if (links[k].offsetParent !== null) { links[k].click(); break; }
      }
    });
  }
  document.addEventListener('keydown', function (event) {
    if (event.key === 'Escape') pvCloseChooser();
  });
  document.addEventListener('click', function (event) {
    var chooser = document.getElementById('chooser');
    if (chooser && !chooser.hidden && !chooser.contains(event.target) &&
        !(event.target.closest && event.target.closest('#index a'))) pvCloseChooser();
  });
}

/* ---- webhelpsearch.htm: full-text search --------------------------------------------
 *
 * The build writes, per page, the words of its title and text as they appear, with their
 * counts (webhelpsearchdata.js, which calls pvSearchData). Here every distinct word is
 * folded (lower case, no accents) and English words are stemmed once; the counts of the
 * words that become one term are added up and handed to MiniSearch as its index. The
 * reader's query goes through the same splitting and folding, so both always agree. */

// What is not part of a word, and the scripts whose every character is a word. The same
// ranges stand in src/output/search_index.cpp: change both together.
var PV_SEPARATORS = '\\u0000-\\u002f\\u003a-\\u0040\\u005b-\\u0060\\u007b-\\u00a9\\u00ab-\\u00b1\\u00b4' +
  '\\u00b6-\\u00b8\\u00bb\\u00bf\\u00d7\\u00f7\\u037e\\u0387\\u055a-\\u055f\\u0589-\\u058a\\u05be\\u05c0' +
  '\\u05c3\\u05c6\\u05f3-\\u05f4\\u0609-\\u060d\\u061b\\u061d-\\u061f\\u066a-\\u066d\\u06d4\\u0964-\\u0965' +
  '\\u0e4f\\u0e5a-\\u0e5b\\u10fb\\u1360-\\u1368\\u1680\\u17d4-\\u17da\\u1800-\\u180a\\u2000-\\u2bff' +
  '\\u2e00-\\u2e7f\\u3000-\\u303f\\u30fb\\ud800-\\uf8ff\\ufe10-\\ufe1f\\ufe30-\\ufe6f\\ufeff\\uff00-\\uff0f' +
  '\\uff1a-\\uff20\\uff3b-\\uff40\\uff5b-\\uff65\\ufff0-\\uffff\\u{1f000}-\\u{1faff}';
var PV_CJK = '\\u2e80-\\u2fdf\\u3040-\\u30fa\\u30fc-\\u30ff\\u3100-\\u31ff\\u3400-\\u4dbf\\u4e00-\\u9fff' +
  '\\ua960-\\ua97f\\uac00-\\ud7af\\uf900-\\ufaff\\uff66-\\uff9f\\u{20000}-\\u{3134f}';
var PV_WORD_PATTERN = '[' + PV_CJK + ']|[^' + PV_SEPARATORS + PV_CJK + ']+';
// Compiled once: a class of this size is slow to compile, and a search runs it hundreds of
// times. Every use starts it at lastIndex 0.
var PV_WORD = new RegExp(PV_WORD_PATTERN, 'gu');
var PV_ONE_CJK = new RegExp('^[' + PV_CJK + ']$', 'u');

var PVS = {
  data: null,
  engine: null,
  forms: null,      // term -> the words of the pages that became it
  lastQuery: null,
  timer: 0
};

function pvWords(text) {
  return String(text).match(PV_WORD) || [];
}

// Lower case without accents (of Latin, Greek and Cyrillic letters: the marks of other
// scripts are letters of their own).
function pvFold(word) {
  var w = word.toLowerCase();
  if (/[^\u0000-\u007f]/.test(w))
    w = w.normalize('NFD').replace(/[\u0300-\u036f]/g, '').normalize('NFC').replace(/\u03c2/g, '\u03c3');
  return w;
}

var PV_TERMS = new Map();  // word -> term, as words repeat in snippets and queries

function pvTerm(word) {
  var known = PV_TERMS.get(word);
  if (known !== undefined) return known;
  var w = pvFold(word);
  var term = /^[a-z]{3,}$/.test(w) ? porter2.stem(w) : w;
  if (PV_TERMS.size < 200000) PV_TERMS.set(word, term);
  return term;
}

// Called by webhelpsearchdata.js.
function pvSearchData(data) {
  PVS.data = data;
  PVS.dataAt = performance.now();
  // Once the page has shown itself.
  setTimeout(pvBuildSearch, 0);
}

// Reads one number of the build's code (see search_index.cpp) at text[at.i].
function pvReadNumber(text, at) {
  var value = 0;
  var scale = 1;
  for (;;) {
    var digit = PV_DIGIT[text.charCodeAt(at.i++)];
    if (digit >= 32) {
      value += (digit - 32) * scale;
      scale *= 32;
    } else {
      return value + digit * scale;
    }
  }
}

var PV_DIGIT = (function () {
  var alphabet = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_';
  var table = new Int8Array(128);
  for (var k = 0; k < alphabet.length; k++) table[alphabet.charCodeAt(k)] = k;
  return table;
})();

// Adds the postings of one word of the data to a term's map of document -> count.
function pvAddPostings(text, entry) {
  var at = { i: 0 };
  var doc = -1;
  while (at.i < text.length) {
    var n = pvReadNumber(text, at);
    doc += Math.floor(n / 2) + 1;
    var count = n % 2 ? pvReadNumber(text, at) + 2 : 1;
    entry.set(doc, (entry.get(doc) || 0) + count);
  }
}

// The postings of one term, read from the data only when a search first needs them:
// MiniSearch asks a term's data for its fields with get(), the only use it makes of it.
class PvTermData extends Map {
  constructor(ids) {
    super();
    this.ids = ids;
    this.weight = -1;
  }
  get(field) {
    if (this.ids) this.read();
    return super.get(field);
  }
  read() {
    var ids = this.ids;
    this.ids = null;
    for (var f = 0; f < 2; f++) {
      var postings = null;
      for (var k = 0; k < ids.length; k++) {
        var text = PVS.fields[f][ids[k]];
        if (!text) continue;
        postings = postings || new Map();
        pvAddPostings(text, postings);
      }
      if (postings) super.set(f, postings);
    }
  }
  // About how many pages hold the term: what its postings take in the data.
  pageWeight() {
    if (this.weight < 0) {
      this.weight = 0;
      var ids = this.ids || [];
      for (var k = 0; k < ids.length; k++)
        this.weight += (PVS.fields[0][ids[k]] || '').length + (PVS.fields[1][ids[k]] || '').length;
    }
    return this.weight;
  }
}

function pvBuildSearch() {
  var data = PVS.data;
  var started = performance.now();
  var docs = data.docs;
  var byTerm = new Map();
  for (var t = 0; t < data.terms.length; t++) {
    var term = pvTerm(data.terms[t]);
    if (!term) continue;
    var list = byTerm.get(term);
    if (list) list.push(t);
    else byTerm.set(term, [t]);
  }
  PVS.fields = [data.title.split(' '), data.text.split(' ')];
  var documentIds = {};
  var fieldLength = {};
  var sums = [0, 0];
  for (var d = 0; d < docs.length; d++) {
    documentIds[d] = d;
    fieldLength[d] = [docs[d][3], docs[d][4]];
    sums[0] += docs[d][3];
    sums[1] += docs[d][4];
  }
  var n = Math.max(docs.length, 1);
  var state = {
    documentCount: docs.length,
    nextId: docs.length,
    documentIds: documentIds,
    fieldIds: { title: 0, text: 1 },
    fieldLength: fieldLength,
    averageFieldLength: [sums[0] / n, sums[1] / n],
    storedFields: {},
    dirtCount: 0,
    index: [],
    serializationVersion: 2
  };
  var options = {
    fields: ['title', 'text'],
    tokenize: pvWords,
    processTerm: pvTerm,
    // pvQuery decides which words match as beginnings of longer ones.
    searchOptions: { boost: { title: 4 }, combineWith: 'AND', prefix: false }
  };
  var engine = MiniSearch.loadJS(state, options);
  // Terms enter the engine's own term map with their postings still unread, which makes
  // the search ready at once however large the help (see PvTermData). The map belongs to
  // the MiniSearch version copied into the program; should it ever be missing, the index
  // is handed over whole, as loadJS reads it.
  PVS.lazy = !!(engine._index && typeof engine._index.set === 'function' && typeof engine._index.atPrefix === 'function');
  if (PVS.lazy) {
    byTerm.forEach(function (ids, term) { engine._index.set(term, new PvTermData(ids)); });
  } else {
    state.index = [];
    byTerm.forEach(function (ids, term) {
      var entry = new PvTermData(ids);
      var plain = {};
      for (var f = 0; f < 2; f++) {
        var postings = entry.get(f);
        if (!postings) continue;
        plain[f] = {};
        postings.forEach(function (count, doc) { plain[f][doc] = count; });
      }
      state.index.push([term, plain]);
    });
    engine = MiniSearch.loadJS(state, options);
  }
  PVS.engine = engine;
  PVS.forms = byTerm;
  PVS.buildMs = performance.now() - started;
  var input = document.getElementById('query');
  if (input && input.value.trim() !== '') pvRunSearch(input.value);
  else pvSearchStatus('');
}

function pvSearchStatus(text) {
  var status = document.getElementById('status');
  if (status) status.textContent = text;
}

// The words of the pages that a result's terms came from, folded: what the topic page
// marks.
function pvFormsOf(terms) {
  var words = {};
  var count = 0;
  terms.forEach(function (term) {
    (PVS.forms.get(term) || []).forEach(function (t) {
      var form = pvFold(PVS.data.terms[t]);
      if (!words[form] && count < 300) {
        words[form] = true;
        count++;
      }
    });
  });
  return Object.keys(words);
}

// Appends text to an element with the words whose term is in `terms` inside <mark>.
function pvAppendMarked(element, text, terms) {
  var pattern = PV_WORD;
  pattern.lastIndex = 0;
  var last = 0;
  var match;
  while ((match = pattern.exec(text)) !== null) {
    if (!terms.has(pvTerm(match[0]))) continue;
    if (match.index > last) element.appendChild(document.createTextNode(text.substring(last, match.index)));
    var mark = document.createElement('mark');
    mark.textContent = match[0];
    element.appendChild(mark);
    last = match.index + match[0].length;
  }
  if (last < text.length) element.appendChild(document.createTextNode(text.substring(last)));
}

// Some 180 characters of the page's text around its first matching word.
function pvSnippet(text, terms) {
  var pattern = PV_WORD;
  pattern.lastIndex = 0;
  var match;
  var first = -1;
  while ((match = pattern.exec(text)) !== null) {
    if (terms.has(pvTerm(match[0]))) {
      first = match.index;
      break;
    }
  }
  var start = 0;
  if (first > 60) {
    start = text.lastIndexOf(' ', first - 50);
    start = start < 0 ? 0 : start + 1;
  }
  var end = Math.min(text.length, start + 180);
  if (end < text.length) {
    var space = text.lastIndexOf(' ', end);
    if (space > start + 120) end = space;
  }
  return (start > 0 ? '\u2026' : '') + text.substring(start, end) + (end < text.length ? '\u2026' : '');
}

// The words of the pages that begin with `prefix` (folded, ASCII) and the terms they
// became: a word cut short can stem differently from its completions ("configuri" is no
// beginning of "configur", the stem of "configuring"). The build writes the words sorted,
// so they are found by bisection.
function pvCompletions(prefix, found) {
  if (!/^[a-z0-9]{2,}$/.test(prefix)) return;
  var terms = PVS.data.terms;
  var lo = 0;
  var hi = terms.length;
  while (lo < hi) {
    var mid = (lo + hi) >> 1;
    if (terms[mid] < prefix) lo = mid + 1;
    else hi = mid;
  }
  for (var k = lo; k < terms.length && k < lo + 500; k++) {
    if (terms[k].lastIndexOf(prefix, 0) !== 0) break;
    found.add(pvTerm(terms[k]));
  }
}

// The terms that a word being typed may become, the commonest first: those beginning
// with its stem and the stems of the words beginning with it. At most `limit`, so that a
// beginning of two letters stays quick to search.
function pvExpansions(word, stem, limit) {
  var found = new Set();
  var index = PVS.engine._index;
  var k = 0;
  for (var entry of index.atPrefix(stem)) {
    found.add(entry[0]);
    if (++k >= 4000) break;
  }
  pvCompletions(pvFold(word), found);
  found.delete(stem);
  var weighed = [];
  found.forEach(function (term) {
    var data = index.get(term);
    if (data) weighed.push([term, data.pageWeight ? data.pageWeight() : 0]);
  });
  weighed.sort(function (a, b) { return b[1] - a[1]; });
  return weighed.slice(0, limit).map(function (w) { return w[0]; });
}

var PV_STOP_WORDS = new Set(('a an and are as at be by for from has have in is it its of on or that the ' +
  'this to was were will with').split(' '));

function pvSame(term) {
  return term;
}

// The reader's query for MiniSearch: every word must be found (folded and stemmed); the
// last one, which may still be being typed, also as the beginning of longer words, which
// count for less than the word itself.
function pvQuery(text) {
  var words = pvWords(text);
  var last = words.pop();
  var cjk = PV_ONE_CJK;
  // One or two letters after other words are the start of a word not typed yet: as
  // beginnings they would match most of the help and narrow nothing.
  if (words.length && last && last.length <= 2 && !cjk.test(last)) last = words.pop();
  if (!last) return null;
  // Words that every page holds decide nothing once the query has others.
  var others = words.filter(function (w) { return !PV_STOP_WORDS.has(pvFold(w)); });
  if (others.length && PV_STOP_WORDS.has(pvFold(last))) last = others.pop();
  if (others.length || !PV_STOP_WORDS.has(pvFold(last))) words = others;
  var stem = pvTerm(last);
  var alternatives = [{ queries: [stem], processTerm: pvSame }];
  if (stem.length > 1 && !cjk.test(last)) {
    if (PVS.lazy) {
      var more = pvExpansions(last, stem, stem.length > 3 ? 30 : stem.length > 2 ? 8 : 2);
      if (more.length)
        alternatives.push({ combineWith: 'OR', queries: more, processTerm: pvSame, boost: { title: 1.6, text: 0.4 } });
    } else {
      alternatives[0].prefix = true;
    }
  }
  var parts = [];
  if (words.length) parts.push({ combineWith: 'AND', queries: words });
  parts.push({ combineWith: 'OR', queries: alternatives });
  return { combineWith: 'AND', queries: parts };
}

function pvRunSearch(query) {
  var list = document.getElementById('results');
  PVS.lastQuery = query;
  pvStore('query', query);
  if (!PVS.engine) {
    pvSearchStatus(query.trim() ? 'Loading the search\u2026' : '');
    return;
  }
  while (list.firstChild) list.removeChild(list.firstChild);
  var request = pvQuery(query);
  if (!request) {
    pvSearchStatus('');
    return;
  }
  var results = PVS.engine.search(request);
  // Pages whose title holds the words come first, each group in the order of its score.
  var inTitle = [];
  var inText = [];
  results.forEach(function (r) {
    for (var term in r.match) {
      if (r.match[term].indexOf('title') >= 0) {
        inTitle.push(r);
        return;
      }
    }
    inText.push(r);
  });
  results = inTitle.concat(inText);
  var shown = results.slice(0, 50);
  shown.forEach(function (r) {
    var doc = PVS.data.docs[r.id];
    var terms = new Set(Object.keys(r.match));
    var item = document.createElement('li');
    var link = document.createElement('a');
    link.setAttribute('href', doc[1]);
    link.setAttribute('target', 'content');
    link.setAttribute('data-node', String(doc[2]));
    var title = document.createElement('span');
    title.className = 'result-title';
    pvAppendMarked(title, doc[0], terms);
    var snippet = document.createElement('span');
    snippet.className = 'result-snippet';
    pvAppendMarked(snippet, pvSnippet(doc[5], terms), terms);
    link.appendChild(title);
    link.appendChild(snippet);
    link.addEventListener('click', function () {
      pvChooseResult(link, Object.keys(r.match));
    });
    item.appendChild(link);
    list.appendChild(item);
  });
  pvSearchStatus(results.length === 0 ? 'No topics found.' :
    results.length === 1 ? '1 topic found.' :
    results.length > shown.length ? results.length + ' topics found; the first ' + shown.length + ' are shown.' :
    results.length + ' topics found.');
}

function pvChooseResult(link, terms) {
  var current = document.querySelector('#results a[aria-current]');
  if (current) current.removeAttribute('aria-current');
  link.setAttribute('aria-current', 'page');
  // The tree shows the topic's node when it is next shown; the page marks the words.
  pvStore('selected', Number(link.getAttribute('data-node')));
  pvPost(window.parent, { parvaneMark: {
    page: new URL(link.getAttribute('href'), location.href).href,
    words: pvFormsOf(terms),
    pattern: PV_WORD_PATTERN
  } });
}

function pvInitSearch() {
  var input = document.getElementById('query');
  var list = document.getElementById('results');
  if (!input || !list) return;
  var saved = pvStore('query');
  if (typeof saved === 'string' && saved !== '') input.value = saved;
  if (!PVS.engine) pvSearchStatus(input.value.trim() ? 'Loading the search\u2026' : '');
  input.addEventListener('input', function () {
    clearTimeout(PVS.timer);
    PVS.timer = setTimeout(function () { pvRunSearch(input.value); }, 60);
  });
  input.addEventListener('keydown', function (event) {
    var first = list.querySelector('a');
    if (event.key === 'Enter' && first) {
      clearTimeout(PVS.timer);
      if (PVS.lastQuery !== input.value) pvRunSearch(input.value);
      first = list.querySelector('a');
      if (first) first.click();
    } else if (event.key === 'ArrowDown' && first) {
      first.focus();
      event.preventDefault();
    }
  });
  list.addEventListener('keydown', function (event) {
    var links = Array.prototype.slice.call(list.querySelectorAll('a'));
    var at = links.indexOf(document.activeElement);
    if (at < 0) return;
    if (event.key === 'ArrowDown' && at + 1 < links.length) links[at + 1].focus();
    else if (event.key === 'ArrowUp') (at > 0 ? links[at - 1] : input).focus();
    else return;
    event.preventDefault();
  });
  input.focus({ preventScroll: true });
}

/* ---- the navigation pages start here ------------------------------------------------ */

function pvInitNav() {
  if (pvStore('narrow') === true) document.body.classList.add('narrow');
  if (document.getElementById('tree')) pvInitTree();
  if (document.getElementById('index')) pvInitIndex();
  if (document.getElementById('results')) pvInitSearch();
  // A topic chosen on a narrow screen closes the navigation panel; so does Escape.
  document.addEventListener('click', function (event) {
    var link = event.target && event.target.closest ? event.target.closest('a[target="content"]') : null;
    if (link && link.getAttribute('href') !== '#' && !event.defaultPrevented)
      pvPost(window.parent, { parvaneTopicChosen: true });
  });
  document.addEventListener('keydown', function (event) {
    if (event.key === 'Escape') pvPost(window.parent, { parvaneCloseNav: true });
  });
  loaded = true;
  window.addEventListener('message', function (event) {
    var data = event.data;
    if (event.source !== window.parent || !data || typeof data !== 'object') return;
    if (typeof data.parvaneSync === 'number') selectNode(data.parvaneSync);
    else if (data.parvaneLayout) {
      document.body.classList.toggle('narrow', data.parvaneLayout === 'narrow');
      pvStore('narrow', data.parvaneLayout === 'narrow');
    }
    else if (data.parvaneWantFirstPage) pvPost(window.parent, { parvaneFirstPage: pvFirstPage() });
  });
  pvPost(window.parent, { parvaneNavReady: true });
}
