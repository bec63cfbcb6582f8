// Loads glTF files with three.js's GLTFLoader in headless Chromium and
// prints one JSON line per file: the meshes, triangles, line segments and
// stations (with depths) it sees. The files and three.js are served from
// this machine only.
//
//   node three-count.mjs NODE_TOOLS_DIR FILE...

import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [tools, ...files] = process.argv.slice(2);
const { chromium } = await import(pathToFileURL(path.resolve(tools, 'node_modules/playwright-core/index.mjs')).href);
const three = path.resolve(tools, 'node_modules/three');

const page = `<!DOCTYPE html><html><head><meta charset="utf-8">
<script type="importmap">{"imports": {"three": "/three/build/three.module.js", "three/addons/": "/three/examples/jsm/"}}</script>
<script type="module">
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
window.count = async (url) => {
  const gltf = await new GLTFLoader().loadAsync(url);
  const r = { meshes: 0, triangles: 0, segments: 0, stations: 0, stationsWithDepth: 0 };
  const elements = (g) => (g.index ? g.index.count : g.attributes.position.count);
  gltf.scene.traverse((o) => {
    if (o.isMesh) {
      r.meshes += 1;
      r.triangles += elements(o.geometry) / 3;
    } else if (o.isLineSegments) {
      r.segments += elements(o.geometry) / 2;
    } else if (o.parent && o.parent.name === 'Stations') {
      r.stations += 1;
      if (typeof o.userData.depth === 'number') r.stationsWithDepth += 1;
    }
  });
  return r;
};
window.ready = true;
</script></head><body></body></html>`;

// /three/... from three.js, /file/N/NAME beside the Nth file.
const server = http.createServer((req, res) => {
  const url = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
  let file = null;
  if (url === '/') {
    res.writeHead(200, { 'Content-Type': 'text/html' });
    return res.end(page);
  }
  if (url.startsWith('/three/')) file = path.join(three, url.slice(7));
  const m = url.match(/^\/file\/(\d+)\/(.+)$/);
  if (m && files[m[1]]) file = path.join(path.dirname(path.resolve(files[m[1]])), m[2]);
  if (!file || !fs.existsSync(file)) {
    res.writeHead(404);
    return res.end();
  }
  res.writeHead(200, { 'Content-Type': file.endsWith('.js') ? 'text/javascript' : 'application/octet-stream' });
  fs.createReadStream(file).pipe(res);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}`;

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'lumora-chromium-'));
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
let status = 0;
try {
  const tab = await browser.newPage();
  tab.on('pageerror', (e) => console.error(`page error: ${e}`));
  await tab.goto(base + '/');
  await tab.waitForFunction(() => window.ready === true);
  for (let i = 0; i < files.length; ++i) {
    try {
      const url = `${base}/file/${i}/${encodeURIComponent(path.basename(files[i]))}`;
      const r = await tab.evaluate((u) => window.count(u), url);
      console.log(JSON.stringify({ file: files[i], ...r }));
    } catch (e) {
      console.error(`${files[i]}: ${e.message}`);
      status = 1;
    }
  }
} finally {
  await browser.close();
  server.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
process.exit(status);
