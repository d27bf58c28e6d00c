/* Parvane Web Help: the script of the frame pages.
 *
 * index.htm       the top page: the title bar and the frameset below it
 * webhelpframe.htm the navigation pane ("nav") and the topic pane ("content")
 * webhelpleft.htm the contents tree; webhelpindex.htm the keyword index
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
  }
  setWidth(width);
  if (window.innerWidth < 560) body.classList.add('nav-hidden');

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
    }
  });
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
      if (old.parentNode) old.parentNode.removeAttribute('aria-current');
    }
  }
  label.className = 'selected';
  if (label.parentNode) label.parentNode.setAttribute('aria-current', 'page');
  PV.selected = Number(id);
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
  var open = pvStore('open');
  if (open && open.forEach) open.forEach(function (id) { if (pvBlock(id)) pvSetOpen(id, true); });
  var selected = pvStore('selected');
  if (typeof selected === 'number' && selected >= 0) pvHighlight(selected, true);
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
function pvFilterList(list, query, parentMatches) {
  var any = false;
  var items = list.children;
  for (var k = 0; k < items.length; k++) {
    var item = items[k];
    if (item.tagName !== 'LI') continue;
    var sub = item.nextElementSibling && item.nextElementSibling.tagName === 'UL' ? item.nextElementSibling : null;
    var text = (item.firstElementChild || item).textContent.toLowerCase();
    var matches = parentMatches || query === '' || text.indexOf(query) >= 0;
    var subVisible = sub ? pvFilterList(sub, query, matches) : false;
    var visible = matches || subVisible;
    item.hidden = !visible;
    if (sub) sub.hidden = !subVisible;
    any = any || visible;
  }
  return any;
}

function pvInitIndex() {
  var root = document.querySelector('#index > ul');
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

/* ---- the navigation pages start here ------------------------------------------------ */

function pvInitNav() {
  if (document.getElementById('tree')) pvInitTree();
  if (document.getElementById('index')) pvInitIndex();
  loaded = true;
  window.addEventListener('message', function (event) {
    var data = event.data;
    if (event.source !== window.parent || !data || typeof data !== 'object') return;
    if (typeof data.parvaneSync === 'number') selectNode(data.parvaneSync);
    else if (data.parvaneWantFirstPage) pvPost(window.parent, { parvaneFirstPage: pvFirstPage() });
  });
  pvPost(window.parent, { parvaneNavReady: true });
}
