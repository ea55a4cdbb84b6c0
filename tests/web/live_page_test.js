// The live results page's script under Node with a small stand-in for the browser: start-up
// whatever the address holds, one animation loop, a restarted server, a finish among
// 5,000 rows that touches only the rows it changes, and the standings of the chosen group.
//   node live_page_test.js path/to/live.js
"use strict";

const assert = require("assert");
const fs = require("fs");
const vm = require("vm");

class Node {
  constructor(tag) {
    this.tagName = tag.toUpperCase();
    this.childNodes = [];
    this.parentNode = null;
    this.text = "";
    this.className = "";
    this.hidden = false;
    this.listeners = {};
    this.touched = 0; // text writes, to see which rows a message changed
    this.style = {};
    const self = this;
    this.classList = {
      contains: (c) => self.className.split(" ").includes(c),
      toggle: (c, on) => {
        const names = self.className.split(" ").filter((n) => n && n !== c);
        if (on) names.push(c);
        self.className = names.join(" ");
      },
    };
  }
  get textContent() { return this.childNodes.length ? this.childNodes.map((c) => c.textContent).join("") : this.text; }
  set textContent(t) { this.childNodes = []; this.text = String(t); this.touched++; }
  get firstChild() { return this.childNodes[0] || null; }
  get nextSibling() {
    if (!this.parentNode) return null;
    const list = this.parentNode.childNodes;
    return list[list.indexOf(this) + 1] || null;
  }
  detach() {
    if (this.parentNode) this.parentNode.childNodes.splice(this.parentNode.childNodes.indexOf(this), 1);
    this.parentNode = null;
  }
  appendChild(n) { n.detach(); n.parentNode = this; this.childNodes.push(n); return n; }
  append(...nodes) { nodes.forEach((n) => this.appendChild(n)); }
  insertBefore(n, ref) {
    if (ref === null) return this.appendChild(n);
    n.detach();
    n.parentNode = this;
    this.childNodes.splice(this.childNodes.indexOf(ref), 0, n);
    return n;
  }
  removeChild(n) { n.detach(); return n; }
  replaceChildren(...nodes) { this.childNodes.slice().forEach((n) => n.detach()); this.append(...nodes); }
  replaceChild(n, old) { this.insertBefore(n, old); old.detach(); }
  get cells() { return this.childNodes; }
  get offsetHeight() { return 30; } // one line of the table
  getBoundingClientRect() { return { top: 0 }; }
  get rows() { return this.childNodes; }
  addEventListener(type, f) { this.listeners[type] = f; }
}

function makePage(hash) {
  const byId = {};
  const add = (id, tag) => (byId[id] = new Node(tag || "span"));
  ["title", "link", "startNr", "nextNr", "clock", "lastWho", "lastZeit", "lastZwZeit", "lastVmax", "lastSchnitt",
    "lastPlatz", "standingsRule"].forEach((id) => add(id));
  add("wertung", "details").open = false;
  add("standings", "div");
  const select = add("gruppe", "select");
  select.options = [{ value: "" }];
  select.value = "";
  select.remove = (i) => select.options.splice(i, 1);
  select.appendChild = (o) => select.options.push(o);
  const table = add("protocol", "table");
  const thead = new Node("thead");
  thead.appendChild(new Node("tr"));
  table.appendChild(thead);
  table.appendChild(new Node("tbody"));
  Object.defineProperty(table, "tHead", { get: () => table.childNodes.find((n) => n.tagName === "THEAD") });
  Object.defineProperty(table, "tBodies", { get: () => table.childNodes.filter((n) => n.tagName === "TBODY") });

  const page = { frames: [], fetched: [], sockets: [], answers: {}, listeners: {} };
  const document = {
    title: "",
    getElementById: (id) => byId[id],
    createElement: (tag) => new Node(tag),
    addEventListener: (type, f) => (page.listeners[type] = f),
  };
  class FakeSocket {
    constructor(url) { this.url = url; page.sockets.push(this); }
  }
  const context = {
    document,
    location: { hash, host: "127.0.0.1:8080", protocol: "http:" },
    history: { replaceState() {} },
    performance: { now: () => 1000 },
    requestAnimationFrame: (f) => page.frames.push(f),
    setInterval: () => 1,
    clearInterval() {},
    setTimeout: () => 1,
    WebSocket: FakeSocket,
    window: { innerHeight: 844, addEventListener() {} },
    fetch: (url) => {
      page.fetched.push(url);
      const answer = page.answers[url.split("?")[0]];
      if (!answer) return new Promise(() => {});
      return Promise.resolve({
        ok: true, status: 200,
        headers: { get: () => "\"tag\"" },
        json: () => Promise.resolve(JSON.parse(answer)),
        text: () => Promise.resolve(answer),
      });
    },
    JSON, Promise, String, Array, Set, Math, parseInt,
  };
  vm.createContext(context);
  vm.runInContext(fs.readFileSync(process.argv[2], "utf8"), context);
  page.byId = byId;
  page.start = () => page.listeners.DOMContentLoaded();
  page.message = (object) => page.sockets[page.sockets.length - 1].onmessage({ data: JSON.stringify(object) });
  page.body = () => table.tBodies[0];
  page.fire = (id, type) => byId[id].listeners[type]();
  return page;
}

const settle = () => new Promise((resolve) => setImmediate(resolve));

function live(fields) {
  return Object.assign({
    now: 5000, seq: 1, server: "a", version: 1, title: "Clubrennen", startNr: "1", nextNr: "2",
    run: { on: false, startedAt: null, finalMs: null }, last: null,
    columns: ["Nr.", "Name", "Gruppe", "Zeit", "Platz"], rows: [], // as /api/state has them
  }, fields);
}

const columns = ["Nr.", "Name", "Gruppe", "Zeit", "Platz"];
const ranked = (n) => Array.from({ length: n }, (_, i) => [String(i + 1), "Fahrer " + (i + 1), "A", "5,000", String(i + 1)]);

// The table's body without the two spacers that stand in for the rows out of view.
const inView = (page) => page.body().childNodes.filter((tr) => tr.className !== "spacer");

const tests = {
  async startsWhateverTheAddressHolds() {
    const page = makePage("#gruppe=%E0%A4%A");
    page.start();
    assert.ok(page.fetched.includes("/api/live"), "no polling");
    assert.strictEqual(page.sockets.length, 1, "no push channel");
  },

  async oneAnimationLoopDuringARun() {
    const page = makePage("");
    page.start();
    for (let seq = 1; seq <= 60; seq++) page.message(live({ seq, run: { on: true, startedAt: 100, finalMs: null } }));
    assert.strictEqual(page.frames.length, 1);
    page.frames.shift()(); // a frame while running asks for the next one only
    assert.strictEqual(page.frames.length, 1);
  },

  async followsARestartedServer() {
    const page = makePage("");
    page.start();
    page.message(live({ seq: 40, server: "old", startNr: "40" }));
    page.message(live({ seq: 1, server: "new", startNr: "7" }));
    assert.strictEqual(page.byId.startNr.textContent, "7");
  },

  async aFinishTouchesOnlyTheRowsItChanges() {
    const page = makePage("");
    page.answers["/api/protocol"] = JSON.stringify({ server: "a", version: 2, columns, rows: ranked(5000) });
    page.start();
    page.message(live({ version: 2 }));
    await settle();
    await settle();
    const before = inView(page);
    // The rows in view and a screen below, not the whole day.
    assert.ok(before.length > 20 && before.length < 200, String(before.length));
    assert.strictEqual(before[0].childNodes[1].textContent, "Fahrer 1");
    before.forEach((tr) => tr.childNodes.forEach((td) => (td.touched = 0)));
    const newRow = ["77", "Neu", "A", "4,900", "3"];
    page.message(live({
      seq: 2, version: 3, last: { nr: "77", zeit: "4,900" },
      protocol: { server: "a", version: 3, since: 2, steps: [[0, 2, 0], newRow, [2, 4998, 1]] },
    }));
    const after = inView(page);
    assert.strictEqual(after.length, before.length);
    assert.strictEqual(after[2].childNodes[1].textContent, "Neu");
    assert.ok(after[2].classList.contains("mine"));
    assert.strictEqual(after[0], before[0]);
    assert.strictEqual(after[3], before[2]); // the same row, moved down, not rebuilt
    assert.strictEqual(after[3].childNodes[4].textContent, "4");
    assert.strictEqual(after[3].childNodes[1].touched, 0); // names untouched
    assert.strictEqual(after[0].childNodes[4].touched, 0); // ranks above the finish untouched
    // The rows out of view are counted in the spacer below: 5,001 in all.
    const below = page.body().childNodes[page.body().childNodes.length - 1];
    assert.strictEqual(parseInt(below.firstChild.style.height, 10) / 30 + after.length, 5001);
    assert.strictEqual(page.fetched.filter((u) => u.startsWith("/api/protocol")).length, 1);
  },

  // The chooser lists the groups as the standings do: "Klasse 2" before "Klasse 10", and a
  // blank kept by the backup is no group.
  async groupsInTheStandingsOrder() {
    const page = makePage("");
    const rows = ["Klasse 10", "klasse 2", "Damen", "Klasse 2", "Junioren", "", " ", "Damen ", "Klasse 10"].map(
      (g, i) => [String(i + 1), "Fahrer", g, "5,000", String(i + 1)]);
    page.answers["/api/protocol"] = JSON.stringify({ server: "a", version: 2, columns, rows });
    page.start();
    page.message(live({ version: 2 }));
    await settle();
    await settle();
    const listed = page.byId.gruppe.options.slice(1).map((o) => o.value);
    assert.deepStrictEqual(listed, ["Damen", "Junioren", "Klasse 2", "klasse 2", "Klasse 10"]);
    page.byId.gruppe.value = "Damen";
    page.fire("gruppe", "change");
    assert.deepStrictEqual(inView(page).map((tr) => tr.childNodes[0].textContent), ["3", "8"]);
  },

  async standingsOnlyWhileOpenAndForTheChosenGroup() {
    const page = makePage("#gruppe=B");
    page.answers["/api/standings"] = JSON.stringify({
      server: "a", version: 2, rule: "Bester Lauf, Zeit",
      columns: ["Platz", "Nr.", "Name", "Fahrzeug", "Zeit", "Läufe", "Abstand"],
      groups: [
        { gruppe: "A", title: "A", rows: [["1", "3", "Anna", "Golf", "5,000", "2", ""]] },
        { gruppe: "B", title: "B", rows: [["1", "4", "<b>Bert</b>", "Polo", "5,100", "1", ""],
                                          ["", "5", "Carl", "", "", "1", ""]] },
      ],
    });
    page.start();
    page.message(live({ version: 2 }));
    await settle();
    assert.ok(!page.fetched.includes("/api/standings"), "asked while closed");
    page.byId.wertung.open = true;
    page.fire("wertung", "toggle");
    await settle();
    await settle();
    assert.strictEqual(page.fetched.filter((u) => u === "/api/standings").length, 1);
    const shown = page.byId.standings.childNodes;
    assert.strictEqual(shown.length, 2); // group B's heading and table only
    assert.strictEqual(shown[0].textContent, "B");
    const rows = shown[1].childNodes[0].childNodes[1].childNodes;
    assert.strictEqual(rows.length, 2);
    assert.strictEqual(rows[0].childNodes[2].textContent, "<b>Bert</b>");
    assert.strictEqual(rows[0].childNodes[3].className, "optional");
    assert.ok(page.byId.standingsRule.textContent.includes("Bester Lauf"));
    // The same version is not asked for again; a new one is.
    page.message(live({ seq: 2, version: 2 }));
    await settle();
    assert.strictEqual(page.fetched.filter((u) => u === "/api/standings").length, 1);
    page.message(live({ seq: 3, version: 3 }));
    await settle();
    await settle();
    // An answer that does not move forward is not asked for again and again.
    assert.strictEqual(page.fetched.filter((u) => u === "/api/standings").length, 2);
    page.answers["/api/standings"] = page.answers["/api/standings"].replace('"version":2', '"version":4');
    page.message(live({ seq: 4, version: 4 }));
    await settle();
    await settle();
    assert.strictEqual(page.fetched.filter((u) => u === "/api/standings").length, 3);
  },

  async anAddressOpensTheStandings() {
    const page = makePage("#gruppe=Klasse%20A&wertung");
    page.answers["/api/standings"] = JSON.stringify({
      server: "a", version: 2, rule: "Bester Lauf, Zeit", columns: ["Platz", "Nr."],
      groups: [{ gruppe: "Klasse A", title: "Klasse A", rows: [["1", "3"]] }, { gruppe: "", title: "ohne Gruppe", rows: [] }],
    });
    page.start();
    assert.strictEqual(page.byId.wertung.open, true);
    page.message(live({ version: 2 }));
    await settle();
    await settle();
    assert.strictEqual(page.byId.standings.childNodes[0].textContent, "Klasse A");
    assert.strictEqual(page.byId.standings.childNodes.length, 2);
  },
};

(async () => {
  let failed = 0;
  for (const [name, test] of Object.entries(tests)) {
    try {
      await test();
      console.log("PASS   " + name);
    } catch (e) {
      failed++;
      console.log("FAIL!  " + name + ": " + e.message);
    }
  }
  process.exit(failed ? 1 : 0);
})();
