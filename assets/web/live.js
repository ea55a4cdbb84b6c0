// The live results page: takes the state from the push channel (/ws), or by asking
// /api/state twice a second while the channel is down, and animates the running time
// from the start moment the server sent. Every text from the server goes in as text.
"use strict";

const state = { data: null, offset: 0, socket: null, pollTimer: null, seq: -1, group: "" };
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
  const d = state.data;
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

function frame() {
  tick();
  if (state.data && state.data.run.on) requestAnimationFrame(frame);
}

// Left out on a phone's narrow screen: Nr., Name, Gruppe, Zeit and Platz stay.
const optionalColumns = ["Fahrzeug", "Zw.Zeit", "Ø-km/h", "Vmax", "End-Zeit"];

function renderTable(d) {
  const gruppeAt = d.columns.indexOf("Gruppe");
  const select = $("gruppe");
  const chosen = state.group;
  const groups = [...new Set(d.rows.map((r) => r[gruppeAt] || "").filter((g) => g !== ""))].sort();
  const have = [...select.options].slice(1).map((o) => o.value);
  if (have.join("\n") !== groups.join("\n")) {
    while (select.options.length > 1) select.remove(1);
    for (const g of groups) {
      const option = document.createElement("option");
      option.value = g;
      option.textContent = g;
      select.appendChild(option);
    }
    select.value = groups.includes(chosen) ? chosen : "";
  }

  const head = $("protocol").tHead.rows[0];
  head.replaceChildren(...d.columns.map((c) => {
    const th = document.createElement("th");
    th.textContent = c;
    if (optionalColumns.includes(c)) th.className = "optional";
    return th;
  }));

  const filter = select.value;
  const last = d.last;
  const zeitAt = d.columns.indexOf("Zeit");
  const body = document.createElement("tbody");
  for (const row of d.rows) {
    if (!row[0]) continue;
    if (filter !== "" && row[gruppeAt] !== filter) continue;
    const tr = document.createElement("tr");
    if (last && row[0] === last.nr && row[zeitAt] === last.zeit) tr.className = "mine";
    row.forEach((cell, i) => {
      const td = document.createElement("td");
      td.textContent = cell;
      if (optionalColumns.includes(d.columns[i])) td.className = "optional";
      else if (d.columns[i] === "Name") td.className = "name";
      tr.appendChild(td);
    });
    body.appendChild(tr);
  }
  $("protocol").replaceChild(body, $("protocol").tBodies[0]);
}

function render(d) {
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
  renderTable(d);
  tick();
  if (d.run.on) requestAnimationFrame(frame);
}

function accept(text) {
  let d;
  try { d = JSON.parse(text); } catch (e) { return; }
  // The server's clock against this page's, taken at every message.
  state.offset = d.now - performance.now();
  if (d.seq < state.seq && state.data) return; // an older answer overtaken by a push
  state.seq = d.seq;
  state.data = d;
  render(d);
}

function showLink(on) { $("link").className = on ? "link on" : "link off"; }

function poll() {
  fetch("/api/state", { cache: "no-store" })
    .then((r) => (r.ok ? r.text() : Promise.reject(r.status)))
    .then((t) => { accept(t); showLink(true); })
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

document.addEventListener("DOMContentLoaded", () => {
  // The chosen group lives in the address ("#gruppe=..."), so a filtered page can be shared.
  if (location.hash.startsWith("#gruppe=")) state.group = decodeURIComponent(location.hash.slice(8));
  $("gruppe").addEventListener("change", () => {
    state.group = $("gruppe").value;
    history.replaceState(null, "", state.group ? "#gruppe=" + encodeURIComponent(state.group) : "#");
    if (state.data) renderTable(state.data);
  });
  // Background tabs get no animation frames; this keeps the time going at 20 Hz.
  setInterval(tick, 50);
  poll();
  connect();
});
