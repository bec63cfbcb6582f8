// Runs the Khronos glTF validator on each file and prints one JSON line per
// file: its errors, warnings, infos and hints, the first messages that are
// not infos or hints, and the triangles the validator counts.
//
//   node validate.mjs NODE_TOOLS_DIR FILE...

import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [tools, ...files] = process.argv.slice(2);
const validator = await import(pathToFileURL(path.resolve(tools, 'node_modules/gltf-validator/index.js')).href);
const validate = validator.validateBytes ?? validator.default.validateBytes;

for (const file of files) {
  const folder = path.dirname(file);
  const report = await validate(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: async (uri) => new Uint8Array(fs.readFileSync(path.join(folder, decodeURIComponent(uri)))),
  });
  const issues = report.issues;
  console.log(JSON.stringify({
    file,
    errors: issues.numErrors,
    warnings: issues.numWarnings,
    infos: issues.numInfos,
    hints: issues.numHints,
    infoCodes: [...new Set(issues.messages.filter((m) => m.severity === 2).map((m) => m.code))],
    serious: issues.messages.filter((m) => m.severity < 2).slice(0, 5),
    triangles: report.info.totalTriangleCount,
  }));
}
