// The page around the scene: play/pause, speed, a time line to scrub with the run's events
// marked on it, the vessels with their states, and the events just passed.
import { VESSEL_COLOURS } from './scene.js';

const MARK_COLOURS = {
  touchdown: '#e5484d', anchored: '#2f9be0', released: '#f5a623', key: '#9aa4b2',
  focus: '#b58cf0', thrust: '#f2d15c', created: '#9aa4b2', deleted: '#9aa4b2',
};
const SPEEDS = [0.25, 0.5, 1, 2, 4, 8, 16, 32];
const RECENT_EVENTS = 6;

function element(tag, attributes = {}, ...children) {
  const e = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (key === 'text') e.textContent = value;
    else e.setAttribute(key, value);
  }
  e.append(...children);
  return e;
}

function seconds(t) {
  return `${t.toFixed(2)} s`;
}

function terrainNote(terrain) {
  if (!terrain) return 'no terrain height here: a plain grid at the mean radius';
  const heights = terrain.up.filter((u) => u !== null);
  const width = terrain.spacing * (terrain.size - 1);
  return `terrain ${width.toFixed(0)} m square, ${Math.min(...heights).toFixed(1)} to ` +
    `${Math.max(...heights).toFixed(1)} m high`;
}

export class Controls {
  // player: { toggle(), seek(t), setSpeed(x), setScale(x), setFollow(i) }
  constructor(root, run, player) {
    this.run = run;
    this.player = player;
    const name = (i) => (i >= 0 ? run.vessels[i].name : '');

    this.playButton = element('button', { id: 'play', type: 'button', title: 'Play or pause (space)', text: '▶' });
    this.playButton.addEventListener('click', () => player.toggle());
    this.time = element('span', { id: 'time', class: 'time' });
    this.speed = element('select', { id: 'speed', title: 'Playing speed' },
      ...SPEEDS.map((s) => element('option', { value: String(s), text: `${s}×` })));
    this.speed.value = '1';
    this.speed.addEventListener('change', () => player.setSpeed(Number(this.speed.value)));
    this.scrub = element('input', { id: 'scrub', type: 'range', min: '0', max: String(run.end), step: 'any', value: '0',
      'aria-label': 'Time' });
    this.scrub.addEventListener('input', () => player.seek(Number(this.scrub.value)));
    const marks = element('div', { id: 'marks', class: 'marks' });
    for (const m of run.marks) {
      const left = run.end > 0 ? (100 * m.t) / run.end : 0;
      const tick = element('button', { type: 'button', class: `mark ${m.kind}`,
        title: `${seconds(m.t)}  ${name(m.vessel)} ${m.text}`.trim() });
      tick.style.left = `${left}%`;
      tick.style.background = MARK_COLOURS[m.kind] ?? '#9aa4b2';
      tick.addEventListener('click', () => player.seek(m.t));
      marks.append(tick);
    }
    const bar = element('div', { class: 'bar' }, this.playButton, this.time, this.speed,
      element('div', { class: 'track' }, marks, this.scrub));

    const scale = element('select', { id: 'scale', title: 'Size of the shapes' },
      ...[1, 3, 6].map((s) => element('option', { value: String(s), text: s === 1 ? 'life size' : `${s}× life size` })));
    scale.value = '3';
    scale.addEventListener('change', () => player.setScale(Number(scale.value)));
    const follow = element('select', { id: 'follow', title: 'Camera follows' },
      element('option', { value: '-1', text: 'free camera' }),
      ...run.vessels.filter((v) => !v.fixed).map((v) => element('option', { value: String(v.index), text: `follow ${v.name}` })));
    follow.addEventListener('change', () => player.setFollow(Number(follow.value)));
    const options = element('div', { class: 'panel options' }, follow, scale);

    this.rows = run.vessels.map((v) => {
      const state = element('span', { class: 'state' });
      const clearance = element('span', { class: 'clearance' });
      const dot = element('span', { class: 'dot' });
      dot.style.background = VESSEL_COLOURS[v.index % VESSEL_COLOURS.length];
      const row = element('tr', {}, element('td', {}, dot, v.name), element('td', {}, state), element('td', {}, clearance));
      return { row, state, clearance };
    });
    const legend = element('div', { class: 'legend' },
      ...['free', 'contact', 'anchored'].map((s) => element('span', { class: `state ${s}`, text: s === 'contact' ? 'in contact' : s })));
    const table = element('table', {}, element('thead', {}, element('tr', {},
      element('th', { text: 'vessel' }), element('th', { text: 'state' }), element('th', { text: 'clearance' }))),
    element('tbody', {}, ...this.rows.map((r) => r.row)));
    const info = element('div', { class: 'panel info' },
      element('h1', { text: `touchdown-sim: ${run.scenario}` }), legend, table,
      element('p', { class: 'note', text: terrainNote(run.terrain) }));

    this.events = element('ol', { class: 'events' });
    const recent = element('div', { class: 'panel recent' }, element('h2', { text: 'events' }), this.events);
    root.append(info, options, recent, bar);
    this.name = name;
    this.shownEvents = -1;
  }

  update(t, playing, vessels) {
    this.playButton.textContent = playing ? '❚❚' : '▶';
    this.time.textContent = `${seconds(t)} / ${seconds(this.run.end)}`;
    if (document.activeElement !== this.scrub) this.scrub.value = String(t);
    vessels.forEach((s, i) => {
      const r = this.rows[i];
      r.row.classList.toggle('gone', s === null);
      if (this.run.vessels[i].kind === 'carrier') {
        r.state.textContent = 'carrier';
        r.state.className = 'state carrier';
        return;
      }
      r.state.textContent = s ? (s.state === 'contact' ? 'in contact' : s.state) : '—';
      r.state.className = `state ${s ? s.state : ''}`;
      r.clearance.textContent = s && s.clearance !== null ? `${s.clearance.toFixed(2)} m` : '';
    });
    // The events up to now, the latest first.
    let passed = 0;
    while (passed < this.run.marks.length && this.run.marks[passed].t <= t) passed++;
    if (passed === this.shownEvents) return;
    this.shownEvents = passed;
    const items = this.run.marks.slice(Math.max(0, passed - RECENT_EVENTS), passed).reverse();
    this.events.replaceChildren(...items.map((m) => element('li', {},
      element('span', { class: 'when', text: seconds(m.t) }),
      element('span', { class: `what ${m.kind}`, text: ` ${this.name(m.vessel)} ${m.text}` }))));
  }
}
