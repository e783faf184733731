// The page around the scene: play/pause, speed, a time line to scrub with the run's events
// marked on it, the vessels with their states, and the events just passed.
import { element, EventPanel, scaleSelect, seconds, VesselPanel } from './panels.js';

const MARK_COLOURS = {
  touchdown: '#e5484d', anchored: '#2f9be0', released: '#f5a623', key: '#9aa4b2',
  focus: '#b58cf0', thrust: '#f2d15c', created: '#9aa4b2', deleted: '#9aa4b2',
};
const SPEEDS = [0.25, 0.5, 1, 2, 4, 8, 16, 32];

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

    const scale = scaleSelect((x) => player.setScale(x));
    const follow = element('select', { id: 'follow', title: 'Camera follows' },
      element('option', { value: '-1', text: 'free camera' }),
      ...run.vessels.filter((v) => !v.fixed).map((v) => element('option', { value: String(v.index), text: `follow ${v.name}` })));
    follow.addEventListener('change', () => player.setFollow(Number(follow.value)));
    const options = element('div', { class: 'panel options' }, follow, scale);

    this.info = new VesselPanel(root, run, 'touchdown-sim');
    root.append(options);
    this.recent = new EventPanel(root, run);
    root.append(bar);
  }

  update(t, playing, vessels) {
    this.playButton.textContent = playing ? '❚❚' : '▶';
    this.time.textContent = `${seconds(t)} / ${seconds(this.run.end)}`;
    if (document.activeElement !== this.scrub) this.scrub.value = String(t);
    this.info.update(vessels);
    this.recent.update(t);
  }
}
