// Starts the bundled service for one node:test file (a fresh data folder, port 0, the
// "listening on" line awaited with a bound), stops it after the file's tests, and records every
// JSON body an SDK client receives so the runner can validate them against the API description
// (written to OZK_SDK_BODIES when set).
'use strict';

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const readline = require('node:readline');
const { after, before } = require('node:test');

const serviceScript = path.resolve(__dirname, '../../../tools/assistants-service/service.py');

function useBundledService(dataDirPrefix) {
  const state = { baseURL: undefined, recorded: [] };
  let service;
  let dataDir;

  function start() {
    dataDir = fs.mkdtempSync(path.join(os.tmpdir(), dataDirPrefix));
    service = spawn('python3', [serviceScript, '--port', '0', '--data-dir', dataDir],
                    { stdio: ['ignore', 'pipe', 'inherit'] });
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error('service did not start')), 30000);
      service.once('exit', (code) => reject(new Error('service exited with ' + code)));
      readline.createInterface({ input: service.stdout }).once('line', (line) => {
        clearTimeout(timer);
        const match = /^listening on (http:\/\/127\.0\.0\.1:\d+)$/.exec(line);
        if (match) resolve(match[1]); else reject(new Error('unexpected line: ' + line));
      });
    });
  }

  before(async () => { state.baseURL = await start(); });
  after(async () => {
    if (service && service.exitCode === null) {
      const exited = new Promise((resolve) => service.once('exit', resolve));
      service.kill('SIGTERM');
      await exited;
    }
    fs.rmSync(dataDir, { recursive: true, force: true });
    if (process.env.OZK_SDK_BODIES) fs.writeFileSync(process.env.OZK_SDK_BODIES,
                                                     JSON.stringify(state.recorded));
  });

  // Wraps an SDK client's fetch so every JSON answer it receives is recorded.
  state.recording = (sdkClient) => {
    const inner = sdkClient.fetch;
    sdkClient.fetch = async (url, init) => {
      const response = await inner(url, init);
      if ((response.headers.get('content-type') || '') === 'application/json') {
        const body = await response.clone().json();
        state.recorded.push({ method: (init && init.method) || 'GET', url: String(url),
                              status: response.status, body });
      }
      return response;
    };
    return sdkClient;
  };
  return state;
}

module.exports = { useBundledService };
