// The panels the replay and live pages share: the vessels with their states and
// clearances, and the latest events.
import { VESSEL_COLOURS } from './scene.js';

const RECENT_EVENTS = 6;

export function element(tag, attributes = {}, ...children) {
  const e = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (key === 'text') e.textContent = value;
    else e.setAttribute(key, value);
  }
  e.append(...children);
  return e;
}

export function seconds(t) {
  return `${t.toFixed(2)} s`;
}

// The size the shapes are drawn at: life size is too small to see from a hundred metres.
export function scaleSelect(onChange) {
  const scale = element('select', { id: 'scale', title: 'Size of the shapes' },
    ...[1, 3, 6].map((s) => element('option', { value: String(s), text: s === 1 ? 'life size' : `${s}× life size` })));
  scale.value = '3';
  scale.addEventListener('change', () => onChange(Number(scale.value)));
  return scale;
}

function terrainNote(terrain) {
  if (!terrain) return 'no terrain height here: a plain grid at the mean radius';
  const heights = terrain.up.filter((u) => u !== null);
  const width = terrain.spacing * (terrain.size - 1);
  return `terrain ${width.toFixed(0)} m square, ${Math.min(...heights).toFixed(1)} to ` +
    `${Math.max(...heights).toFixed(1)} m high`;
}

// Top left: the scenario's name, the legend, a row per vessel. onPick(i), when given, is
// called when a vessel's row is clicked.
export class VesselPanel {
  constructor(root, run, title, onPick = null) {
    this.run = run;
    this.onPick = onPick;
    this.rows = [];
    this.body = element('tbody');
    const legend = element('div', { class: 'legend' },
      ...['free', 'contact', 'anchored'].map((s) => element('span', { class: `state ${s}`, text: s === 'contact' ? 'in contact' : s })));
    const table = element('table', {}, element('thead', {}, element('tr', {},
      element('th', { text: 'vessel' }), element('th', { text: 'state' }), element('th', { text: 'clearance' }))),
    this.body);
    this.element = element('div', { class: 'panel info' },
      element('h1', { text: `${title}: ${run.scenario}` }), legend, table,
      element('p', { class: 'note', text: terrainNote(run.terrain) }));
    root.append(this.element);
  }

  addRows() {
    for (const v of this.run.vessels.slice(this.rows.length)) {
      const state = element('span', { class: 'state' });
      const clearance = element('span', { class: 'clearance' });
      const dot = element('span', { class: 'dot' });
      dot.style.background = VESSEL_COLOURS[v.index % VESSEL_COLOURS.length];
      const row = element('tr', {}, element('td', {}, dot, v.name), element('td', {}, state), element('td', {}, clearance));
      if (this.onPick && !v.fixed) {
        row.classList.add('pickable');
        row.addEventListener('click', () => this.onPick(v.index));
      }
      this.body.append(row);
      this.rows.push({ row, state, clearance });
    }
  }

  // vessels: what each shows now (null while it does not exist); focus: a row to mark.
  update(vessels, focus = -1) {
    if (this.rows.length < this.run.vessels.length) this.addRows();
    vessels.forEach((s, i) => {
      const r = this.rows[i];
      r.row.classList.toggle('gone', s === null);
      r.row.classList.toggle('focus', i === focus);
      if (this.run.vessels[i].kind === 'carrier') {
        r.state.textContent = 'carrier';
        r.state.className = 'state carrier';
        return;
      }
      r.state.textContent = s ? (s.state === 'contact' ? 'in contact' : s.state) : '—';
      r.state.className = `state ${s ? s.state : ''}`;
      r.clearance.textContent = s && s.clearance !== null ? `${s.clearance.toFixed(2)} m` : '';
    });
  }
}

// Bottom right: the events up to now, the latest first.
export class EventPanel {
  constructor(root, run) {
    this.run = run;
    this.list = element('ol', { class: 'events' });
    root.append(element('div', { class: 'panel recent' }, element('h2', { text: 'events' }), this.list));
    this.shown = -1;
  }

  update(t) {
    // A live page that joined late has no marks from before it joined.
    const marks = this.run.marks.filter(Boolean);
    let passed = 0;
    while (passed < marks.length && marks[passed].t <= t) passed++;
    if (passed === this.shown) return;
    this.shown = passed;
    const name = (i) => (i >= 0 ? this.run.vessels[i]?.name ?? '' : '');
    const items = marks.slice(Math.max(0, passed - RECENT_EVENTS), passed).reverse();
    this.list.replaceChildren(...items.map((m) => element('li', {},
      element('span', { class: 'when', text: seconds(m.t) }),
      element('span', { class: `what ${m.kind}`, text: ` ${name(m.vessel)} ${m.text}` }))));
  }
}
