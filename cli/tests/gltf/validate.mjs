// The Khronos glTF validator on each file: one JSON line per file with its
// errors, warnings, infos and hints, the first errors and warnings, and the
// triangles it counts.
//
//   node validate.mjs NODE_TOOLS_DIR FILE...

import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [tools, ...files] = process.argv.slice(2);
const v = await import(pathToFileURL(path.resolve(tools, 'node_modules/gltf-validator/index.js')).href);
for (const file of files) {
  const { issues, info } = await (v.validateBytes ?? v.default.validateBytes)(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: async (uri) => new Uint8Array(fs.readFileSync(path.join(path.dirname(file), decodeURIComponent(uri)))),
  });
  console.log(JSON.stringify({
    file, errors: issues.numErrors, warnings: issues.numWarnings, infos: issues.numInfos, hints: issues.numHints,
    serious: issues.messages.filter((m) => m.severity < 2).slice(0, 5), triangles: info.totalTriangleCount,
  }));
}
