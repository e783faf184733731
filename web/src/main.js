// The replay page's player: reads the run that touchdown-sim wrote into the page, builds the
// scene and the controls, and plays. window.touchdownReplay lets a test read what is shown.
import css from './style.css';
import { frameAt, readRun, vesselAt } from './run.js';
import { Scene } from './scene.js';
import { Controls } from './controls.js';

function start() {
  const style = document.createElement('style');
  style.textContent = css;
  document.head.append(style);
  const run = readRun(document.getElementById('replay-data'));
  const view = document.createElement('div');
  view.id = 'view';
  document.body.append(view);

  let scene = null;
  try {
    scene = new Scene(view, run);
  } catch (error) {
    const note = document.createElement('p');
    note.className = 'nogl';
    note.textContent = `This browser cannot draw the scene (WebGL): ${error.message}`;
    view.append(note);
  }

  const clock = { t: 0, playing: false, speed: 1, wall: 0 };
  const player = {
    toggle() {
      if (!clock.playing && clock.t >= run.end) clock.t = 0;
      clock.playing = !clock.playing;
      clock.wall = performance.now();
    },
    seek(t) {
      clock.t = Math.min(run.end, Math.max(0, t));
    },
    setSpeed(x) {
      clock.speed = x;
    },
    setScale(x) {
      scene?.setScale(x);
    },
    setFollow(i) {
      scene?.setFollow(i);
    },
  };
  const controls = new Controls(document.body, run, player);
  document.addEventListener('keydown', (e) => {
    if (e.code === 'Space' && e.target.tagName !== 'SELECT') {
      e.preventDefault();
      player.toggle();
    }
  });

  const shown = () => run.vessels.map((v) => vesselAt(v, frameAt(run, clock.t)));
  const tick = (now) => {
    if (clock.playing) {
      clock.t += ((now - clock.wall) / 1000) * clock.speed;
      if (clock.t >= run.end) {
        clock.t = run.end;
        clock.playing = false;
      }
    }
    clock.wall = now;
    if (scene) {
      scene.resize();
      scene.show(frameAt(run, clock.t));
    }
    controls.update(clock.t, clock.playing, shown());
    requestAnimationFrame(tick);
  };
  requestAnimationFrame(tick);

  // Read-only: what the page shows now, in the run's own terms (metres east, north, up of
  // the carrier's place; the terrain's height straight under each vessel as drawn).
  window.touchdownReplay = Object.freeze({
    snapshot() {
      return {
        ready: true,
        webgl: scene !== null,
        t: clock.t,
        end: run.end,
        playing: clock.playing,
        ended: clock.t >= run.end,
        speed: clock.speed,
        frames: run.t.length,
        vessels: shown().map((s, i) => {
          const v = run.vessels[i];
          if (!s) return { name: v.name, kind: v.kind, present: false };
          const [x, y, z] = s.position;
          return {
            name: v.name,
            kind: v.kind,
            present: true,
            state: s.state,
            east: x,
            north: -z,
            up: y,
            base: y - v.cogElev,
            terrainUp: scene ? scene.terrainUnder(x, z) : null,
            clearance: s.clearance,
          };
        }),
      };
    },
  });
}

start();
