// Loads glTF files with three.js's GLTFLoader in headless Chromium (a fresh
// profile, served from this machine only) and prints one JSON line per
// file: the meshes, triangles, line segments and stations it sees.
//
//   node three-count.mjs NODE_TOOLS_DIR FILE...

import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [tools, ...files] = process.argv.slice(2);
const { chromium } = await import(pathToFileURL(path.resolve(tools, 'node_modules/playwright-core/index.mjs')).href);

const page = `<script type="importmap">{"imports": {"three": "/three/build/three.module.js",
  "three/addons/": "/three/examples/jsm/"}}</script>
<script type="module">
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
window.count = async (url) => {
  const r = { meshes: 0, triangles: 0, segments: 0, stations: 0, stationsWithDepth: 0 };
  const elements = (g) => (g.index ? g.index.count : g.attributes.position.count);
  (await new GLTFLoader().loadAsync(url)).scene.traverse((o) => {
    if (o.isMesh) r.meshes += 1, r.triangles += elements(o.geometry) / 3;
    else if (o.isLineSegments) r.segments += elements(o.geometry) / 2;
    else if (o.parent?.name === 'Stations') r.stations += 1, r.stationsWithDepth += typeof o.userData.depth === 'number';
  });
  return r;
};
</script>`;

// "/" the page, /three/... three.js, /file/N/NAME beside the Nth file.
const server = http.createServer((req, res) => {
  const url = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
  const m = url.match(/^\/file\/(\d+)\/(.+)$/);
  const file = url.startsWith('/three/') ? path.resolve(tools, 'node_modules/three', url.slice(7))
    : m && files[m[1]] ? path.join(path.dirname(path.resolve(files[m[1]])), m[2]) : null;
  if (url === '/') return res.writeHead(200, { 'Content-Type': 'text/html' }).end(page);
  if (!file || !fs.existsSync(file)) return res.writeHead(404).end();
  res.writeHead(200, { 'Content-Type': file.endsWith('.js') ? 'text/javascript' : 'application/octet-stream' });
  fs.createReadStream(file).pipe(res);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}`;

// Playwright gives the browser a profile folder of its own and removes it.
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
  const tab = await browser.newPage();
  tab.on('pageerror', (e) => console.error(`page error: ${e}`));
  await tab.goto(base + '/');
  await tab.waitForFunction(() => typeof window.count === 'function');
  for (const [i, file] of files.entries()) {
    const r = await tab.evaluate((u) => window.count(u), `${base}/file/${i}/${encodeURIComponent(path.basename(file))}`);
    console.log(JSON.stringify({ file, ...r }));
  }
} finally {
  await browser.close();
  server.close();
}
