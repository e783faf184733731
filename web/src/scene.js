// The 3D scene of a run: the terrain as a shaded mesh, the vessels as shapes that stand on
// their touchdown planes, trails behind the vessels that move, and name tags.
import * as THREE from 'three';
import { OrbitControls } from 'three/examples/jsm/controls/OrbitControls.js';
import { Line2 } from 'three/examples/jsm/lines/Line2.js';
import { LineGeometry } from 'three/examples/jsm/lines/LineGeometry.js';
import { LineMaterial } from 'three/examples/jsm/lines/LineMaterial.js';
import { CSS2DObject, CSS2DRenderer } from 'three/examples/jsm/renderers/CSS2DRenderer.js';
import { shapeFor, STATE_COLOURS } from './shapes.js';
import { vesselAt } from './run.js';

// Tableau's ten, as in the plots: one colour per vessel for its trail and tag.
export const VESSEL_COLOURS = ['#1f77b4', '#d62728', '#2ca02c', '#9467bd', '#ff7f0e', '#8c564b',
  '#e377c2', '#17becf', '#bcbd22', '#7f7f7f'];
const TRAIL_LIFT_M = 0.15;  // trails just over the ground, not inside it

// Heights of the terrain grid to colours: low hollows blue-grey, high ground pale sand.
function terrainColour(t, colour) {
  const stops = [[0, 0x40606e], [0.3, 0x7fa395], [0.6, 0xd8cfa0], [1, 0xf7f2e4]];
  for (let i = 1; i < stops.length; i++) {
    if (t <= stops[i][0] || i === stops.length - 1) {
      const f = Math.min(1, Math.max(0, (t - stops[i - 1][0]) / (stops[i][0] - stops[i - 1][0])));
      return colour.setHex(stops[i - 1][1]).lerp(new THREE.Color(stops[i][1]), f);
    }
  }
  return colour;
}

function terrainMesh(terrain) {
  const n = terrain.size;
  const positions = new Float32Array(n * n * 3);
  const colours = new Float32Array(n * n * 3);
  let lo = Infinity;
  let hi = -Infinity;
  for (const u of terrain.up) {
    if (u !== null) {
      lo = Math.min(lo, u);
      hi = Math.max(hi, u);
    }
  }
  const colour = new THREE.Color();
  for (let row = 0; row < n; row++) {
    for (let col = 0; col < n; col++) {
      const i = row * n + col;
      const u = terrain.up[i] ?? lo;
      positions.set([terrain.east0 + col * terrain.spacing, u, -(terrain.north0 + row * terrain.spacing)], 3 * i);
      terrainColour(hi > lo ? (u - lo) / (hi - lo) : 0.5, colour);
      colours.set([colour.r, colour.g, colour.b], 3 * i);
    }
  }
  const index = [];
  for (let row = 0; row + 1 < n; row++) {
    for (let col = 0; col + 1 < n; col++) {
      const a = row * n + col;
      // Counter-clockwise seen from above: north is -z.
      index.push(a, a + 1, a + n, a + 1, a + n + 1, a + n);
    }
  }
  const geometry = new THREE.BufferGeometry();
  geometry.setAttribute('position', new THREE.BufferAttribute(positions, 3));
  geometry.setAttribute('color', new THREE.BufferAttribute(colours, 3));
  geometry.setIndex(index);
  geometry.computeVertexNormals();
  const material = new THREE.MeshLambertMaterial({ vertexColors: true, side: THREE.DoubleSide });
  return new THREE.Mesh(geometry, material);
}

export class Scene {
  // Throws when the browser cannot give a WebGL context.
  constructor(container, run) {
    this.run = run;
    this.scale = 3;
    this.renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
    this.renderer.setPixelRatio(window.devicePixelRatio || 1);
    container.appendChild(this.renderer.domElement);
    this.tags = new CSS2DRenderer();
    this.tags.domElement.className = 'tags';
    container.appendChild(this.tags.domElement);
    this.container = container;

    this.scene = new THREE.Scene();
    this.scene.background = new THREE.Color(0x0b1020);
    this.scene.add(new THREE.HemisphereLight(0xdfe8ff, 0x202020, 0.55));
    // A low sun from the north-west, as in the map's shading, so that the relief shows.
    const sun = new THREE.DirectionalLight(0xffffff, 2.0);
    sun.position.set(-300, 250, -300);
    this.scene.add(sun);

    this.terrain = run.terrain ? terrainMesh(run.terrain) : null;
    if (this.terrain) {
      this.scene.add(this.terrain);
    } else {
      this.scene.add(new THREE.GridHelper(400, 40, 0x667788, 0x334455));
    }
    this.buildVessels();
    this.buildCamera();
  }

  buildVessels() {
    this.vessels = [];
    this.addVessels();
  }

  // Shapes for the vessels of the run that have none yet (a live run's new vessels).
  addVessels() {
    for (const v of this.run.vessels.slice(this.vessels.length)) {
      const identity = VESSEL_COLOURS[v.index % VESSEL_COLOURS.length];
      const body = new THREE.MeshLambertMaterial({ color: STATE_COLOURS.free });
      const shape = shapeFor(v, body);
      const outer = new THREE.Group();
      const base = new THREE.Group();  // the touchdown plane, under the origin
      base.position.y = -v.cogElev;
      base.add(shape.group);
      outer.add(base);
      const tag = document.createElement('div');
      tag.className = 'tag';
      tag.textContent = v.name;
      tag.style.borderColor = identity;
      const label = new CSS2DObject(tag);
      outer.add(label);
      this.scene.add(outer);
      const entry = { data: v, outer, base, shape, body, label, trail: null, identity };
      if (v.moved) this.drawTrail(entry);
      this.vessels.push(entry);
    }
    this.setScale(this.scale);
  }

  // The trail through every frame of the vessel so far; drawn up to the frame shown.
  drawTrail(entry) {
    const v = entry.data;
    if (v.frames < 2) return;
    const points = [];
    for (let k = 0; k < v.frames; k++) {
      points.push(v.pos[3 * k], v.pos[3 * k + 1] - v.cogElev + TRAIL_LIFT_M, v.pos[3 * k + 2]);
    }
    const geometry = new LineGeometry();
    geometry.setPositions(points);
    if (entry.trail) {
      entry.trail.geometry.dispose();
      entry.trail.geometry = geometry;
      return;
    }
    entry.trail = new Line2(geometry, new LineMaterial({ color: entry.identity, linewidth: 3 }));
    entry.trail.frustumCulled = false;
    this.scene.add(entry.trail);
  }

  // Trails again for a live run whose vessels have moved since: those that went a metre.
  redrawTrails() {
    for (const entry of this.vessels) {
      const v = entry.data;
      if (v.fixed || v.frames < 2) continue;
      const k = v.frames - 1;
      const from = [v.pos[0], v.pos[2]];
      v.moved ||= Math.hypot(v.pos[3 * k] - from[0], v.pos[3 * k + 2] - from[1]) > 1;
      if (v.moved) this.drawTrail(entry);
    }
  }

  // The vessel whose shape is under a point of the canvas, or -1.
  pick(clientX, clientY) {
    const box = this.renderer.domElement.getBoundingClientRect();
    const at = new THREE.Vector2(((clientX - box.left) / box.width) * 2 - 1, -((clientY - box.top) / box.height) * 2 + 1);
    const ray = new THREE.Raycaster();
    ray.setFromCamera(at, this.camera);
    const shown = this.vessels.filter((v) => v.outer.visible && !v.data.fixed);
    const hit = ray.intersectObjects(shown.map((v) => v.outer), true)[0];
    if (!hit) return -1;
    return shown.find((v) => v.outer.getObjectById(hit.object.id))?.data.index ?? -1;
  }

  setScale(scale) {
    this.scale = scale;
    for (const v of this.vessels) {
      // Scaled about the touchdown plane, so that a larger shape still stands on the ground.
      v.shape.group.scale.setScalar(v.data.kind === 'carrier' ? 1 : scale);
      v.label.position.y = -v.data.cogElev + v.shape.height * (v.data.kind === 'carrier' ? 1 : scale) + 0.5;
    }
  }

  // Looks at where the vessels went, from the south-east and above, far enough to see all.
  buildCamera() {
    const box = new THREE.Box3();
    for (const v of this.run.vessels) {
      if (v.fixed) continue;
      for (let k = 0; k < v.frames; k++) {
        const p = new THREE.Vector3(v.pos[3 * k], v.pos[3 * k + 1] - v.cogElev, v.pos[3 * k + 2]);
        // What happens on the ground is what the camera is for: a vessel that flies up or
        // away does not pull it along.
        if (this.overTerrain(p.x, p.z) && !(v.clear[k] > 5)) box.expandByPoint(p);
      }
    }
    if (box.isEmpty()) box.expandByPoint(new THREE.Vector3());
    const centre = box.getCenter(new THREE.Vector3());
    const size = box.getSize(new THREE.Vector3());
    const reach = Math.max(30, 0.9 * Math.max(size.x, size.z));
    this.camera = new THREE.PerspectiveCamera(45, 1, 0.3, 200 * reach);
    this.camera.position.set(centre.x + 0.5 * reach, centre.y + 0.75 * reach, centre.z + 1.1 * reach);
    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.target.copy(centre);
    this.controls.maxPolarAngle = Math.PI * 0.495;
    this.controls.update();
    this.follow = null;
  }

  // Keeps the camera's place relative to a vessel as it moves; -1: stays where it is.
  setFollow(index) {
    this.follow = index >= 0 ? { index, from: null } : null;
  }

  // Fits the drawing to the window; called every frame, it does nothing unless the size changed
  // (a new size clears and reallocates the drawing buffer).
  resize() {
    const w = this.container.clientWidth;
    const h = this.container.clientHeight;
    if (w === this.width && h === this.height) return;
    this.width = w;
    this.height = h;
    this.renderer.setSize(w, h, false);
    this.tags.setSize(w, h);
    this.camera.aspect = w / Math.max(1, h);
    this.camera.updateProjectionMatrix();
  }

  // Places everything as it was at a frame position and draws.
  show(at) {
    const qa = new THREE.Quaternion();
    const qb = new THREE.Quaternion();
    for (const v of this.vessels) {
      const s = vesselAt(v.data, at);
      v.outer.visible = s !== null;
      v.label.visible = s !== null;
      // A trail of segments up to the frame shown.
      if (v.trail) v.trail.geometry.instanceCount = s ? s.frameIndex : 0;
      if (!s) continue;
      v.outer.position.set(...s.position);
      if (v.data.kind === 'carrier') {
        // The carrier stands for the ground: its flag is planted in the terrain over or
        // under its place, wherever the relief puts that.
        v.ground ??= this.terrainUnder(s.position[0], s.position[2]);
        if (v.ground !== null) v.outer.position.y = v.ground + v.data.cogElev;
      }
      qa.set(...s.quat).normalize();
      qb.set(...s.quatNext).normalize();
      v.outer.quaternion.copy(qa).slerp(qb, s.toward);
      if (v.data.kind !== 'carrier') v.body.color.setHex(STATE_COLOURS[s.state]);
      if (this.follow && this.follow.index === v.data.index) {
        const now = v.outer.position.clone();
        const moved = this.follow.from ? now.clone().sub(this.follow.from) : now.clone().sub(this.controls.target);
        this.camera.position.add(moved);
        this.controls.target.add(moved);
        this.follow.from = now;
      }
    }
    this.controls.update();
    this.renderer.render(this.scene, this.camera);
    this.tags.render(this.scene, this.camera);
  }

  // Whether a point of the scene lies over the terrain grid (everywhere without one).
  overTerrain(x, z) {
    const t = this.run.terrain;
    if (!t) return true;
    const width = t.spacing * (t.size - 1);
    return x >= t.east0 && x <= t.east0 + width && -z >= t.north0 && -z <= t.north0 + width;
  }

  // The terrain's height in the scene straight under a point, from the drawn mesh itself.
  terrainUnder(x, z) {
    if (!this.terrain) return null;
    const ray = new THREE.Raycaster(new THREE.Vector3(x, 1e6, z), new THREE.Vector3(0, -1, 0));
    const hit = ray.intersectObject(this.terrain, false)[0];
    return hit ? hit.point.y : null;
  }
}
