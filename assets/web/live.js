// The live results page: takes the running state from the push channel (/ws), or by asking
// /api/live twice a second while the channel is down, and the protocol by its version: the
// steps from the version it holds when the server has them, else the whole. Only the rows in
// view are in the page (a day's 5,000 rows would take the browser far longer to lay out than a
// frame lasts), and of those only the ones that changed are touched. Animates the running time
// from the start moment the server sent. Every text from the server goes in as text.
"use strict";

const state = {
  server: null, seq: -1, version: 0, tag: null,
  live: null, columns: [], rows: [], trs: [], shown: [], rowHeight: 0, drawing: false,
  offset: 0, socket: null, pollTimer: null, group: "", animating: false, fetching: false,
  standings: null, standingsVersion: 0, standingsFetching: false,
};
const $ = (id) => document.getElementById(id);

function setText(id, text) {
  const el = $(id);
  const value = text === undefined || text === null || text === "" ? "–" : String(text);
  if (el.textContent !== value) el.textContent = value;
}

function formatMs(ms, places) {
  if (ms < 0) ms = 0;
  const whole = Math.floor(ms / 1000);
  const fraction = String(Math.floor(ms % 1000)).padStart(3, "0").slice(0, places);
  if (whole < 60) return whole + "," + fraction;
  const seconds = String(whole % 60).padStart(2, "0");
  return Math.floor(whole / 60) + ":" + seconds + "," + fraction;
}

function serverNow() { return performance.now() + state.offset; }

function tick() {
  const d = state.live;
  const clock = $("clock");
  let text = "0,00";
  let look = "clock idle";
  if (d && d.run.on) {
    text = formatMs(serverNow() - d.run.startedAt, 2);
    look = "clock";
  } else if (d && d.run.finalMs !== null) {
    text = formatMs(d.run.finalMs, 3);
    look = "clock finished";
  }
  if (clock.textContent !== text) clock.textContent = text;
  if (clock.className !== look) clock.className = look;
}

// One animation loop at most, however many messages come during a run.
function frame() {
  tick();
  if (state.live && state.live.run.on) requestAnimationFrame(frame);
  else state.animating = false;
}

function animate() {
  if (state.animating || !state.live || !state.live.run.on) return;
  state.animating = true;
  requestAnimationFrame(frame);
}

// Left out on a phone's narrow screen: Nr., Name, Gruppe, Zeit and Platz stay.
const optionalColumns = ["Fahrzeug", "Zw.Zeit", "Ø-km/h", "Vmax", "End-Zeit"];

function column(name) { return state.columns.indexOf(name); }

function makeRow(row) {
  const tr = document.createElement("tr");
  row.forEach((cell, i) => {
    const td = document.createElement("td");
    td.textContent = cell;
    const name = state.columns[i];
    if (optionalColumns.includes(name)) td.className = "optional";
    else if (name === "Name") td.className = "name";
    tr.appendChild(td);
  });
  return tr;
}

function isMine(row) {
  const last = state.live && state.live.last;
  return !!last && row[0] === last.nr && row[column("Zeit")] === last.zeit;
}

function shown(row) {
  // A cell the backup kept as a blank is no group; the standings read groups trimmed, too.
  return row[0] !== "" && (state.group === "" || (row[column("Gruppe")] || "").trim() === state.group);
}

function dress(tr, row) {
  const mine = isMine(row);
  if (tr.classList.contains("mine") !== mine) tr.classList.toggle("mine", mine);
}

// The rows the filter lets through, by index.
function filterRows() {
  state.shown = [];
  state.rows.forEach((row, i) => { if (shown(row)) state.shown.push(i); });
}

function spacer(name) {
  let tr = state[name];
  if (!tr) {
    tr = state[name] = document.createElement("tr");
    tr.className = "spacer";
    tr.appendChild(document.createElement("td"));
  }
  tr.firstChild.colSpan = Math.max(1, state.columns.length);
  return tr;
}

// The rows in view and a screen above and below; the rest stand in as two spacers of their height.
function draw() {
  state.drawing = false;
  const body = $("protocol").tBodies[0];
  const height = state.rowHeight || 30;
  const table = $("protocol");
  const top = table.getBoundingClientRect ? table.getBoundingClientRect().top : 0;
  const screen = window.innerHeight || 800;
  const first = Math.max(0, Math.floor(-top / height) - Math.ceil(screen / height));
  const last = Math.min(state.shown.length, first + 3 * Math.ceil(screen / height));
  const trs = [spacer("above")];
  for (let k = first; k < last; k++) {
    const i = state.shown[k];
    if (!state.trs[i]) state.trs[i] = makeRow(state.rows[i]);
    dress(state.trs[i], state.rows[i]);
    trs.push(state.trs[i]);
  }
  trs.push(spacer("below"));
  const aboveHeight = first * height + "px";
  const belowHeight = (state.shown.length - last) * height + "px";
  if (state.above.firstChild.style.height !== aboveHeight) state.above.firstChild.style.height = aboveHeight;
  if (state.below.firstChild.style.height !== belowHeight) state.below.firstChild.style.height = belowHeight;
  arrange(body, trs);
  // Rows are one line high; measured once from the first real row.
  if (!state.rowHeight && trs.length > 2 && trs[1].offsetHeight) state.rowHeight = trs[1].offsetHeight;
}

function redraw() {
  if (state.drawing) return;
  state.drawing = true;
  requestAnimationFrame(draw);
}

// Groups in the order of the standings: by name, numbers inside names by value ("Klasse 2"
// before "Klasse 10"), case and accents only where nothing else differs.
function byGroupName(a, b) {
  return a.localeCompare(b, "de", { numeric: true, sensitivity: "base" }) || (a < b ? -1 : a > b ? 1 : 0);
}

function fillGroups() {
  const select = $("gruppe");
  const at = column("Gruppe");
  const groups = [...new Set(state.rows.map((r) => (r[at] || "").trim()).filter((g) => g !== ""))].sort(byGroupName);
  const have = [...select.options].slice(1).map((o) => o.value);
  if (have.join("\n") === groups.join("\n")) return;
  while (select.options.length > 1) select.remove(1);
  for (const g of groups) {
    const option = document.createElement("option");
    option.value = g;
    option.textContent = g;
    select.appendChild(option);
  }
  select.value = groups.includes(state.group) ? state.group : "";
}

// The rows in the table's body in the order of trs, moving only those out of place.
function arrange(body, trs) {
  let at = body.firstChild;
  for (const tr of trs) {
    if (tr === at) at = at.nextSibling;
    else body.insertBefore(tr, at);
  }
  while (at) {
    const next = at.nextSibling;
    body.removeChild(at);
    at = next;
  }
}

function takeWhole(columns, rows) {
  if (columns.join("\n") !== state.columns.join("\n")) {
    state.columns = columns;
    $("protocol").tHead.rows[0].replaceChildren(...columns.map((c) => {
      const th = document.createElement("th");
      th.textContent = c;
      if (optionalColumns.includes(c)) th.className = "optional";
      return th;
    }));
  }
  state.rows = rows;
  state.trs = new Array(rows.length);
  fillGroups();
  filterRows();
  draw();
}

// Steps from the version held: [start, count, shift] keeps old rows (their rank moved by
// shift), an array of texts is a new or changed row.
function takeSteps(steps) {
  const platz = column("Platz");
  const rows = [];
  const trs = [];
  for (const step of steps) {
    if (typeof step[0] === "number") {
      const [start, count, shift] = step;
      if (start < 0 || start + count > state.rows.length) return false;
      for (let i = start; i < start + count; i++) {
        let row = state.rows[i];
        const tr = state.trs[i];
        if (shift !== 0) {
          row = row.slice();
          row[platz] = String(parseInt(row[platz], 10) + shift);
          if (tr) tr.cells[platz].textContent = row[platz];
        }
        rows.push(row);
        trs.push(tr);
      }
    } else {
      rows.push(step);
      trs.push(undefined); // made when it comes into view
    }
  }
  state.rows = rows;
  state.trs = trs;
  fillGroups();
  filterRows();
  draw();
  return true;
}

function takeProtocol(p) {
  if (p.server !== state.server) return;
  if (Array.isArray(p.steps)) {
    if (p.since !== state.version || !takeSteps(p.steps)) { fetchProtocol(true); return; }
  } else if (Array.isArray(p.rows)) {
    takeWhole(p.columns, p.rows);
  } else {
    return;
  }
  state.version = p.version;
}

function fetchProtocol(whole) {
  if (state.fetching) return;
  state.fetching = true;
  const since = whole || state.version === 0 ? "" : "?since=" + state.version;
  fetch("/api/protocol" + since, { cache: "no-store" })
    .then((r) => (r.ok ? r.json() : Promise.reject(r.status)))
    .then((p) => { state.fetching = false; takeProtocol(p); followVersion(); })
    .catch(() => { state.fetching = false; });
}

// The standings ("Wertung"), computed by the server per protocol version; asked for only
// while their section is open, so a page that never looks costs the server nothing.
const standingsOptional = ["Fahrzeug", "Gewertet", "Läufe"];

function standingsCell(tag, text, name) {
  const cell = document.createElement(tag);
  cell.textContent = text;
  if (standingsOptional.includes(name)) cell.className = "optional";
  else if (tag === "td" && name === "Name") cell.className = "name";
  else if (tag === "td" && name === "Platz") cell.className = "rank";
  return cell;
}

function standingsTable(columns, rows) {
  const table = document.createElement("table");
  const head = document.createElement("thead");
  const headRow = document.createElement("tr");
  columns.forEach((c) => headRow.appendChild(standingsCell("th", c, c)));
  head.appendChild(headRow);
  const body = document.createElement("tbody");
  for (const row of rows) {
    const tr = document.createElement("tr");
    row.forEach((cell, i) => tr.appendChild(standingsCell("td", cell, columns[i])));
    body.appendChild(tr);
  }
  table.append(head, body);
  const scroll = document.createElement("div");
  scroll.className = "scroll";
  scroll.appendChild(table);
  return scroll;
}

function renderStandings() {
  const s = state.standings;
  const box = $("standings");
  if (!s || !Array.isArray(s.groups) || !Array.isArray(s.columns)) { box.replaceChildren(); return; }
  $("standingsRule").textContent = s.rule ? "– " + s.rule : "";
  const parts = [];
  for (const group of s.groups) {
    if (state.group !== "" && group.gruppe !== state.group) continue;
    const h3 = document.createElement("h3");
    h3.textContent = group.title;
    parts.push(h3, standingsTable(s.columns, Array.isArray(group.rows) ? group.rows : []));
  }
  box.replaceChildren(...parts);
  redraw(); // the protocol below has moved
}

function fetchStandings() {
  if (state.standingsFetching || !$("wertung").open) return;
  // Standings newer than the running state are kept; they only ever move forward.
  if (!state.live || state.live.version <= state.standingsVersion) return;
  state.standingsFetching = true;
  fetch("/api/standings", { cache: "no-store" })
    .then((r) => (r.ok ? r.json() : Promise.reject(r.status)))
    .then((s) => {
      state.standingsFetching = false;
      if (s.server !== state.server || !(s.version > state.standingsVersion)) return;
      state.standings = s;
      state.standingsVersion = s.version;
      renderStandings();
      fetchStandings(); // a finish may have come meanwhile
    })
    .catch(() => { state.standingsFetching = false; });
}

function followVersion() {
  if (state.live && state.live.version !== state.version) fetchProtocol(false);
  fetchStandings();
}

function renderLive(d) {
  document.title = d.title + " – Live";
  setText("title", d.title);
  setText("startNr", d.startNr);
  setText("nextNr", d.nextNr);
  const last = d.last || {};
  $("lastWho").textContent = last.nr ? "Nr. " + last.nr + (last.name ? " " + last.name : "") : "";
  setText("lastZeit", last.zeit);
  setText("lastZwZeit", last.zwZeit);
  setText("lastVmax", last.vmax);
  setText("lastSchnitt", last.schnitt);
  setText("lastPlatz", last.platz);
  tick();
  animate();
}

function accept(text) {
  let d;
  try { d = JSON.parse(text); } catch (e) { return; }
  if (!d || typeof d !== "object" || !d.run) return;
  // A restarted server counts from 1 again: everything held belongs to the old one.
  if (d.server !== state.server) {
    state.server = d.server;
    state.seq = -1;
    state.version = 0;
    state.standingsVersion = 0;
  }
  if (d.seq < state.seq) return; // an older answer overtaken by a push
  const lastBefore = JSON.stringify(state.live && state.live.last);
  state.seq = d.seq;
  // The server's clock against this page's, taken at every message.
  state.offset = d.now - performance.now();
  state.live = d;
  renderLive(d);
  if (d.protocol && d.version !== state.version) takeProtocol(d.protocol);
  else if (lastBefore !== JSON.stringify(d.last)) draw();
  followVersion();
}

function showLink(on) { $("link").className = on ? "link on" : "link off"; }

function poll() {
  const headers = state.tag ? { "If-None-Match": state.tag } : {};
  fetch("/api/live", { cache: "no-store", headers })
    .then((r) => {
      if (r.status === 304) return null;
      if (!r.ok) return Promise.reject(r.status);
      state.tag = r.headers.get("ETag");
      return r.text();
    })
    .then((t) => { if (t !== null) accept(t); showLink(true); })
    .catch(() => showLink(false));
}

function startPolling() {
  if (state.pollTimer === null) {
    poll();
    state.pollTimer = setInterval(poll, 500);
  }
}

function stopPolling() {
  if (state.pollTimer !== null) {
    clearInterval(state.pollTimer);
    state.pollTimer = null;
  }
}

function connect() {
  let socket;
  try {
    socket = new WebSocket((location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/ws");
  } catch (e) {
    startPolling();
    setTimeout(connect, 5000);
    return;
  }
  state.socket = socket;
  socket.onopen = () => { stopPolling(); showLink(true); };
  socket.onmessage = (event) => accept(event.data);
  socket.onclose = () => {
    state.socket = null;
    showLink(false);
    startPolling();
    setTimeout(connect, 5000);
  };
}

// The chosen group and the open standings live in the address ("#gruppe=...&wertung"), so a
// filtered page can be shared; an address that is no valid encoding shows every group.
function addressParts(hash) {
  const parts = hash.replace(/^#/, "").split("&");
  const wanted = parts.find((p) => p.startsWith("gruppe="));
  let group = "";
  if (wanted) {
    try { group = decodeURIComponent(wanted.slice(7)); } catch (e) { group = ""; }
  }
  return { group, standings: parts.includes("wertung") };
}

function writeAddress() {
  const parts = [];
  if (state.group) parts.push("gruppe=" + encodeURIComponent(state.group));
  if ($("wertung").open) parts.push("wertung");
  history.replaceState(null, "", "#" + parts.join("&"));
}

document.addEventListener("DOMContentLoaded", () => {
  const address = addressParts(location.hash);
  state.group = address.group;
  $("wertung").open = address.standings;
  $("gruppe").addEventListener("change", () => {
    state.group = $("gruppe").value;
    writeAddress();
    filterRows();
    draw();
    renderStandings();
  });
  $("wertung").addEventListener("toggle", () => {
    writeAddress();
    fetchStandings();
    redraw();
  });
  window.addEventListener("scroll", redraw, { passive: true });
  window.addEventListener("resize", redraw);
  // Background tabs get no animation frames; this keeps the time going at 20 Hz.
  setInterval(tick, 50);
  poll();
  connect();
});
