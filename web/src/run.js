// The run as touchdown-sim wrote it into the page, and the state of every vessel at any
// time between two frames.
const STATES = ['free', 'contact', 'anchored'];

export function readRun(element) {
  const run = JSON.parse(element.textContent);
  run.end = run.t.length ? run.t[run.t.length - 1] : 0;
  run.vessels.forEach((v, index) => {
    v.index = index;
    v.frames = v.state.length;
  });
  return run;
}

// The frame at or before t, and how far t is towards the next one (0 to 1).
export function frameAt(run, t) {
  const times = run.t;
  if (times.length === 0 || t <= times[0]) return { frame: 0, toward: 0 };
  if (t >= times[times.length - 1]) return { frame: times.length - 1, toward: 0 };
  let lo = 0;
  let hi = times.length - 1;
  while (hi - lo > 1) {
    const mid = (lo + hi) >> 1;
    if (times[mid] <= t) lo = mid;
    else hi = mid;
  }
  return { frame: lo, toward: (t - times[lo]) / (times[hi] - times[lo]) };
}

// A vessel at a frame position: null while it does not exist (before it is created, after
// it is deleted). Position in the scene (x east, y up, z south), attitude as a quaternion.
export function vesselAt(v, at) {
  const k = at.frame - v.first;
  if (k < 0 || k >= v.frames) return null;
  const next = k + 1 < v.frames && at.toward > 0 ? k + 1 : k;
  const f = next === k ? 0 : at.toward;
  const p = (i) => v.pos[3 * k + i] + (v.pos[3 * next + i] - v.pos[3 * k + i]) * f;
  const q = (i) => v.quat[4 * k + i];
  const qn = (i) => v.quat[4 * next + i];
  return {
    position: [p(0), p(1), p(2)],
    quat: [q(0), q(1), q(2), q(3)],
    quatNext: [qn(0), qn(1), qn(2), qn(3)],
    toward: f,
    state: STATES[Number(v.state[k])] ?? 'free',
    clearance: v.clear[k],
    frameIndex: k,
  };
}
