// The live page: the replay page's scene fed by a running touchdown-sim over server-sent
// events; the keyboard goes to the run (the module's hook, and the host's own controls).
// window.touchdownLive lets a test read what is shown.
import css from './style.css';
import liveCss from './live.css';
import { Scene } from './scene.js';
import { EventPanel, VesselPanel, element, scaleSelect, seconds } from './panels.js';
import { HELP, virtualKey } from './keys.js';
import { frameAt, vesselAt } from './run.js';

const MAX_FRAMES = 15000;  // ten minutes at 25 frames a second; older ones are let go
const TRIM_FRAMES = 5000;
const token = new URLSearchParams(location.search).get('token') ?? '';

// Inputs go in order, one request at a time, with all that gathered while the last one was
// on the way: a key-up never overtakes its key-down, and a burst of keys never queues.
const pending = [];
let sending = false;
function send(line) {
  pending.push(line);
  if (sending) return;
  sending = true;
  const next = () => {
    if (pending.length === 0) {
      sending = false;
      return;
    }
    const body = pending.splice(0).join('\n');
    fetch(`/input?token=${encodeURIComponent(token)}`, { method: 'POST', body }).catch(() => {}).finally(next);
  };
  next();
}

// The run as the scene reads it, grown frame by frame.
function liveRun(scene) {
  return {
    serial: scene.run, scenario: scene.scenario, stepS: scene.stepS, carrier: scene.carrier, terrain: scene.terrain,
    t: [], marks: [], end: 0,
    vessels: [],
  };
}

function addVessels(run, scene) {
  for (const v of scene.vessels.slice(run.vessels.length)) {
    run.vessels.push({ ...v, index: run.vessels.length, moved: false, first: 0, frames: 0,
      pos: [], quat: [], clear: [], state: [] });
  }
}

function addFrame(run, frame) {
  if (run.t.length > 0 && frame.t <= run.end) return;  // frames only go forward
  run.t.push(frame.t);
  run.end = frame.t;
  frame.v.forEach((s, i) => {
    const v = run.vessels[i];
    if (!v || !s) return;
    if (v.frames === 0) v.first = run.t.length - 1;
    v.pos.push(s[0], s[1], s[2]);
    v.quat.push(s[3], s[4], s[5], s[6]);
    v.clear.push(s[7]);
    v.state.push(s[8]);
    v.frames++;
  });
  for (let i = 0; i < frame.marks.length; i++) run.marks[frame.marksFrom + i] = frame.marks[i];
  if (run.t.length <= MAX_FRAMES) return;
  run.t.splice(0, TRIM_FRAMES);
  for (const v of run.vessels) {
    const cut = Math.min(v.frames, Math.max(0, TRIM_FRAMES - v.first));
    v.first = Math.max(0, v.first - TRIM_FRAMES);
    v.pos.splice(0, 3 * cut);
    v.quat.splice(0, 4 * cut);
    v.clear.splice(0, cut);
    v.state.splice(0, cut);
    v.frames -= cut;
  }
}

function helpOverlay() {
  const rows = HELP.map(([keys, who, what]) => element('tr', {},
    element('td', { class: 'keys', text: keys }), element('td', { class: `who ${who}`, text: who }), element('td', { text: what })));
  const help = element('div', { id: 'help', class: 'panel help', hidden: '' },
    element('h2', { text: 'Keys' }),
    element('p', { text: 'Every key you press reaches the module\'s keyboard hook (first press, the browser\'s repeats, release), as a real keyboard would; the host answers its own keys besides. Leaving the page lets every key go.' }),
    element('table', {}, ...rows));
  help.addEventListener('click', () => help.toggleAttribute('hidden'));
  return help;
}

function start() {
  const style = document.createElement('style');
  style.textContent = css + liveCss;
  document.head.append(style);
  const view = element('div', { id: 'view' });
  const banner = element('div', { id: 'banner', class: 'banner', text: 'connecting…' });
  const help = helpOverlay();
  document.body.append(view, banner, help);

  const state = { run: null, scene: null, frame: null, connected: false, panels: [], follow: true, trailsAt: 0 };
  const status = element('span', { id: 'status', class: 'time' });
  const pause = element('button', { id: 'pause', type: 'button', title: 'Pause or resume (Ctrl+P)', text: '❚❚' });
  pause.addEventListener('click', () => send(state.frame?.paused ? 'resume' : 'pause'));
  const restart = element('button', { id: 'restart', type: 'button', title: 'The scenario again from its start', text: '↻ restart' });
  restart.addEventListener('click', () => send('restart'));
  const helpButton = element('button', { id: 'help-button', type: 'button', title: 'Keys (F1)', text: '?' });
  helpButton.addEventListener('click', () => help.toggleAttribute('hidden'));
  const follow = element('input', { id: 'follow', type: 'checkbox', checked: '' });
  follow.addEventListener('change', () => { state.follow = follow.checked; state.scene?.setFollow(-1); });
  const scale = scaleSelect((x) => state.scene?.setScale(x));
  document.body.append(element('div', { class: 'panel options' },
    element('label', { title: 'The camera follows the focus vessel' }, follow, ' follow focus'), scale));
  document.body.append(element('div', { class: 'bar' }, pause, restart, helpButton, status));

  const focusOn = (i) => send(`focus ${state.run.vessels[i].name}`);
  const build = (sceneData) => {
    // A restart is a new run: its frames begin again at zero, in a scene of their own.
    const fresh = !state.run || sceneData.run !== state.run.serial;
    if (fresh) {
      state.run = liveRun(sceneData);
      addVessels(state.run, sceneData);
      state.scene?.renderer.dispose();
      view.replaceChildren();
      state.panels.forEach((p) => p.remove());
      try {
        state.scene = new Scene(view, state.run);
      } catch (error) {
        state.scene = null;
        view.append(element('p', { class: 'nogl', text: `This browser cannot draw the scene (WebGL): ${error.message}` }));
      }
      const before = new Set(document.body.children);
      state.vesselPanel = new VesselPanel(document.body, state.run, 'touchdown-sim live', focusOn);
      state.eventPanel = new EventPanel(document.body, state.run);
      state.panels = [...document.body.children].filter((c) => !before.has(c));
      state.followed = -1;
    }
    addVessels(state.run, sceneData);
    state.scene?.addVessels();
  };

  const source = new EventSource(`/stream?token=${encodeURIComponent(token)}`);
  source.addEventListener('scene', (e) => build(JSON.parse(e.data)));
  source.addEventListener('frame', (e) => {
    const frame = JSON.parse(e.data);
    if (!state.run) return;
    state.frame = frame;
    state.connected = true;
    addFrame(state.run, frame);
  });
  source.addEventListener('error', () => {
    state.connected = false;
    banner.textContent = 'the run has ended or cannot be reached';
    banner.hidden = false;
  });

  view.addEventListener('pointerdown', (e) => { state.down = [e.clientX, e.clientY]; });
  view.addEventListener('click', (e) => {
    if (!state.scene || !state.down || Math.hypot(e.clientX - state.down[0], e.clientY - state.down[1]) > 4) return;
    const i = state.scene.pick(e.clientX, e.clientY);
    if (i >= 0) focusOn(i);
  });

  const held = new Set();
  document.addEventListener('keydown', (e) => {
    const vk = virtualKey(e.code);
    if (e.key === 'F1' || (e.key === '?' && !e.repeat)) help.toggleAttribute('hidden');
    if (vk) {
      // Every key goes to the module; the browser keeps none of them for itself but its
      // own reload, close and developer keys.
      const browsers = (e.ctrlKey && 'rwtnlRWTNL'.includes(e.key)) || ['F5', 'F11', 'F12'].includes(e.key);
      if (!browsers) e.preventDefault();
      const how = e.repeat && held.has(vk) ? 'repeat' : 'down';
      held.add(vk);
      send(`${how} ${vk} ${(performance.timeOrigin + e.timeStamp).toFixed(1)}`);
    }
    if (e.key === 'Tab' && !e.repeat && !e.ctrlKey && !e.altKey) send('focus-next');
    if (e.key === '+') send('throttle-up');
    if (e.key === '-') send('throttle-down');
    if (e.key === '*' && !e.repeat) send('throttle-cut');
    if (e.ctrlKey && (e.key === 'p' || e.key === 'P') && !e.repeat) {
      send(state.frame?.paused ? 'resume' : 'pause');
    }
  });
  document.addEventListener('keyup', (e) => {
    const vk = virtualKey(e.code);
    if (!vk) return;
    held.delete(vk);
    send(`up ${vk}`);
  });
  const letGo = () => {
    held.clear();
    send('release-all');
  };
  window.addEventListener('blur', letGo);
  document.addEventListener('visibilitychange', () => { if (document.hidden) letGo(); });

  const shown = () => (state.run ? state.run.vessels.map((v) => vesselAt(v, frameAt(state.run, state.run.end))) : []);
  const tick = (now) => {
    const frame = state.frame;
    if (state.run && state.scene) {
      if (now - state.trailsAt > 500) {
        state.scene.redrawTrails();
        state.trailsAt = now;
      }
      const focus = frame?.focus ?? -1;
      if (state.follow && focus !== state.followed) {
        state.scene.setFollow(focus);
        state.followed = focus;
      }
      state.scene.resize();
      state.scene.show(frameAt(state.run, state.run.end));
    }
    if (state.run && frame) {
      state.vesselPanel.update(shown(), frame.focus);
      state.eventPanel.update(frame.t);
      const focus = state.run.vessels[frame.focus]?.name ?? 'none';
      status.textContent = `${seconds(frame.t)}  ·  ${frame.paused ? 'paused' : `running ${frame.rate}×`}  ·  focus ${focus}` +
        `  ·  engine ${frame.throttle.toFixed(1)} × weight` +
        (frame.keyToHookMs !== null ? `  ·  key to module ${frame.keyToHookMs.toFixed(0)} ms` : '');
      pause.textContent = frame.paused ? '▶' : '❚❚';
      if (state.connected) {
        banner.hidden = !frame.paused;
        banner.textContent = 'paused: the run waits between two steps; keys still reach the module';
      }
    }
    requestAnimationFrame(tick);
  };
  requestAnimationFrame(tick);

  // Read-only: what the page shows now, in the run's own terms (metres east, north, up of
  // the carrier's place; heading in degrees from north towards east).
  window.touchdownLive = Object.freeze({
    snapshot() {
      const frame = state.frame;
      return {
        ready: Boolean(state.run && frame),
        connected: state.connected,
        webgl: state.scene !== null,
        t: frame?.t ?? 0,
        paused: frame?.paused ?? false,
        focus: frame?.focus ?? -1,
        throttle: frame?.throttle ?? 0,
        keyToHookMs: frame?.keyToHookMs ?? null,
        keyToStepMs: frame?.keyToStepMs ?? null,
        marks: state.run ? state.run.marks.filter(Boolean).map((m) => ({ ...m })) : [],
        vessels: shown().map((s, i) => {
          const v = state.run.vessels[i];
          if (!s) return { name: v.name, present: false };
          const [x, y, z] = s.position;
          const [qx, qy, qz, qw] = s.quat;
          // The nose (-z of the shape) turned by the attitude, on the ground plane.
          const noseX = -2 * (qx * qz + qw * qy);
          const noseZ = -(1 - 2 * (qx * qx + qy * qy));
          return { name: v.name, present: true, state: s.state, east: x, north: -z, up: y,
            clearance: s.clearance, heading: (Math.atan2(noseX, -noseZ) * 180) / Math.PI };
        }),
      };
    },
  });
}

start();
