// Runs the Khronos glTF-Validator on each file named, resources read beside it.
// Prints one line per error or warning (FILE: CODE at POINTER: MESSAGE) and exits
// with 1 when there is any, 2 when a file cannot be read.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

async function check(file) {
    const bytes = new Uint8Array(fs.readFileSync(file));
    const report = await validator.validateBytes(bytes, {
        uri: path.basename(file),
        maxIssues: 0,
        externalResourceFunction: (uri) =>
            new Promise((resolve, reject) => {
                fs.readFile(path.join(path.dirname(file), decodeURIComponent(uri)), (error, data) =>
                    error ? reject(error.toString()) : resolve(new Uint8Array(data)));
            }),
    });
    let bad = 0;
    for (const message of report.issues.messages) {
        if (message.severity > 1) continue;  // 0 error, 1 warning; infos and hints pass
        console.log(`${file}: ${message.code} at ${message.pointer || '-'}: ${message.message}`);
        ++bad;
    }
    return bad;
}

(async () => {
    let bad = 0;
    for (const file of process.argv.slice(2)) {
        try {
            bad += await check(file);
        } catch (error) {
            console.log(`${file}: cannot be validated: ${error}`);
            process.exit(2);
        }
    }
    process.exit(bad > 0 ? 1 : 0);
})();
