// The browser's key codes (KeyboardEvent.code, the key's place on the keyboard, whatever the
// layout) as Windows virtual-key codes, which the module's keyboard hook is given.
const NAMED = {
  Backspace: 0x08, Tab: 0x09, Enter: 0x0D, NumpadEnter: 0x0D, ShiftLeft: 0x10, ShiftRight: 0x10,
  ControlLeft: 0x11, ControlRight: 0x11, AltLeft: 0x12, AltRight: 0x12, Pause: 0x13, CapsLock: 0x14,
  Escape: 0x1B, Space: 0x20, PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24, ArrowLeft: 0x25,
  ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, Insert: 0x2D, Delete: 0x2E,
  NumpadMultiply: 0x6A, NumpadAdd: 0x6B, NumpadSubtract: 0x6D, NumpadDecimal: 0x6E, NumpadDivide: 0x6F,
  Semicolon: 0xBA, Equal: 0xBB, Comma: 0xBC, Minus: 0xBD, Period: 0xBE, Slash: 0xBF, Backquote: 0xC0,
  BracketLeft: 0xDB, Backslash: 0xDC, BracketRight: 0xDD, Quote: 0xDE,
};

export function virtualKey(code) {
  let m = /^Key([A-Z])$/.exec(code);
  if (m) return m[1].charCodeAt(0);
  m = /^Digit([0-9])$/.exec(code);
  if (m) return m[1].charCodeAt(0);
  m = /^Numpad([0-9])$/.exec(code);
  if (m) return 0x60 + Number(m[1]);
  m = /^F([1-9]|1[0-2])$/.exec(code);
  if (m) return 0x6F + Number(m[1]);
  return NAMED[code] ?? 0;
}

// What answers each key, for the help: the module's keys act on the focus vessel; every key
// reaches the module's hook, and the host answers its own besides.
export const HELP = [
  ['W / ↑', 'module', 'walk or drive forward (walkers 4 m/s, cars 30 m/s)'],
  ['S / ↓', 'module', 'back'],
  ['A / ←, D / →', 'module', 'turn left, right (a quarter turn a second)'],
  ['End, Page Down', 'module', 'a step to the left, to the right'],
  ['G, U, C', 'module', 'release every anchored vessel, once per press'],
  ['. (period)', 'module', 'brake sliding vessels harder'],
  ['Tab, or click a vessel', 'host', 'give the focus to the next vessel, to that vessel'],
  ['+ / −', 'host', 'the focus vessel\'s engine a tenth of its weight up, down'],
  ['*', 'host', 'cut the focus vessel\'s engine'],
  ['Ctrl+P, or ❚❚', 'host', 'pause, resume'],
  ['↻ restart', 'host', 'the scenario from its start'],
  ['F1, or ?', 'page', 'this help'],
];
