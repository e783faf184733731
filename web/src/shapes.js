// Simple shapes for the vessels, each standing on its touchdown plane (y = 0) with its nose
// along -z: a lander on legs, a walker, a car, and a flag for the carrier. The body takes
// the colour of the vessel's contact state; the dark parts stay dark.
import * as THREE from 'three';

const DARK = new THREE.MeshLambertMaterial({ color: 0x3a3f47 });
const GLASS = new THREE.MeshLambertMaterial({ color: 0x9fd3ff, emissive: 0x1d3d5c });

function mesh(geometry, material, x, y, z) {
  const m = new THREE.Mesh(geometry, material);
  m.position.set(x, y, z);
  return m;
}

// A thin rod from point a to point b.
function strut(a, b, radius) {
  const from = new THREE.Vector3(...a);
  const to = new THREE.Vector3(...b);
  const along = to.clone().sub(from);
  const rod = mesh(new THREE.CylinderGeometry(radius, radius, along.length(), 6), DARK, 0, 0, 0);
  rod.position.copy(from).add(to).multiplyScalar(0.5);
  rod.quaternion.setFromUnitVectors(new THREE.Vector3(0, 1, 0), along.normalize());
  return rod;
}

function lander(body, cogElev) {
  const h = Math.max(2 * cogElev, 2);
  const g = new THREE.Group();
  g.add(mesh(new THREE.CylinderGeometry(0.38 * h, 0.42 * h, 0.5 * h, 16), body, 0, 0.55 * h, 0));
  g.add(mesh(new THREE.ConeGeometry(0.38 * h, 0.3 * h, 16), body, 0, 0.95 * h, 0));
  for (let i = 0; i < 4; i++) {
    const a = Math.PI / 4 + (i * Math.PI) / 2;
    const c = Math.cos(a);
    const s = Math.sin(a);
    g.add(strut([0.33 * h * c, 0.36 * h, 0.33 * h * s], [0.6 * h * c, 0.03 * h, 0.6 * h * s], 0.03 * h));
    g.add(mesh(new THREE.CylinderGeometry(0.09 * h, 0.09 * h, 0.03 * h, 10), DARK,
      0.6 * h * c, 0.015 * h, 0.6 * h * s));
  }
  // The nose: a window on the forward side.
  g.add(mesh(new THREE.BoxGeometry(0.3 * h, 0.14 * h, 0.06 * h), GLASS, 0, 0.68 * h, -0.4 * h));
  return { group: g, height: 1.1 * h };
}

function walker(body, cogElev) {
  const h = Math.max(1.8 * cogElev, 1.2);
  const g = new THREE.Group();
  for (const x of [-0.08 * h, 0.08 * h]) {
    g.add(mesh(new THREE.CylinderGeometry(0.06 * h, 0.06 * h, 0.45 * h, 8), DARK, x, 0.225 * h, 0));
  }
  g.add(mesh(new THREE.CylinderGeometry(0.17 * h, 0.15 * h, 0.38 * h, 12), body, 0, 0.63 * h, 0));
  g.add(mesh(new THREE.SphereGeometry(0.13 * h, 16, 12), body, 0, 0.9 * h, 0));
  g.add(mesh(new THREE.BoxGeometry(0.18 * h, 0.08 * h, 0.06 * h), GLASS, 0, 0.91 * h, -0.11 * h));
  // A backpack, so that front and back differ from afar too.
  g.add(mesh(new THREE.BoxGeometry(0.24 * h, 0.28 * h, 0.1 * h), DARK, 0, 0.66 * h, 0.2 * h));
  return { group: g, height: 1.05 * h };
}

function car(body, cogElev) {
  const l = Math.max(4 * cogElev, 2.5);
  const g = new THREE.Group();
  g.add(mesh(new THREE.BoxGeometry(0.55 * l, 0.18 * l, l), body, 0, 0.24 * l, 0));
  g.add(mesh(new THREE.BoxGeometry(0.45 * l, 0.14 * l, 0.4 * l), body, 0, 0.4 * l, 0.05 * l));
  g.add(mesh(new THREE.BoxGeometry(0.42 * l, 0.1 * l, 0.02 * l), GLASS, 0, 0.41 * l, -0.16 * l));
  const wheel = new THREE.CylinderGeometry(0.13 * l, 0.13 * l, 0.08 * l, 14);
  for (const x of [-0.3 * l, 0.3 * l]) {
    for (const z of [-0.33 * l, 0.33 * l]) {
      const w = mesh(wheel, DARK, x, 0.13 * l, z);
      w.rotation.z = Math.PI / 2;
      g.add(w);
    }
  }
  return { group: g, height: 0.5 * l };
}

function carrier(body) {
  const g = new THREE.Group();
  g.add(mesh(new THREE.CylinderGeometry(0.08, 0.08, 6, 8), DARK, 0, 3, 0));
  g.add(mesh(new THREE.BoxGeometry(0.05, 1.2, 2), body, 0, 5.3, 1.0));
  g.add(mesh(new THREE.TorusGeometry(2, 0.12, 8, 32), DARK, 0, 0.1, 0).rotateX(Math.PI / 2));
  return { group: g, height: 6 };
}

export const STATE_COLOURS = { free: 0xe8ebef, contact: 0xf5a623, anchored: 0x2f9be0 };

// A shape for a vessel of the run; body is the material that shows its state.
export function shapeFor(vessel, body) {
  switch (vessel.kind) {
    case 'carrier':
      return carrier(body);
    case 'walker':
      return walker(body, vessel.cogElev);
    case 'car':
      return car(body, vessel.cogElev);
    default:
      return lander(body, vessel.cogElev);
  }
}
