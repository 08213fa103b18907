// The Node side of the REST benchmark: COUNT retrievals of one run with the official OpenAI
// Node SDK, timed after one warm-up call. Prints {"ms": ..., "calls": ...} on one line.
//   node ozkHTTP_API_OpenAI_bench.js SDK_DIR BASE_URL THREAD_ID RUN_ID COUNT keepalive|fresh
// For HTTPS the caller trusts the test CA through NODE_EXTRA_CA_CERTS.
'use strict';
const path = require('path');
const http = require('http');
const https = require('https');

async function main() {
  const [sdkDir, baseURL, threadId, runId, countText, mode] = process.argv.slice(2);
  const sdk = require(path.join(sdkDir, 'node_modules', 'openai'));
  const OpenAI = sdk.OpenAI || sdk.default || sdk;
  const options = { apiKey: 'sk-local', baseURL: baseURL + '/v1', maxRetries: 0 };
  if (mode === 'fresh') {
    // A new connection for every call, as the C++ client makes them.
    const Agent = baseURL.startsWith('https:') ? https.Agent : http.Agent;
    options.httpAgent = new Agent({ keepAlive: false });
  }
  const client = new OpenAI(options);
  const count = Number(countText);
  let run = await client.beta.threads.runs.retrieve(threadId, runId);
  const start = process.hrtime.bigint();
  for (let i = 0; i < count; ++i) run = await client.beta.threads.runs.retrieve(threadId, runId);
  const ms = Number(process.hrtime.bigint() - start) / 1e6;
  if (run.id !== runId) throw new Error('unexpected run ' + run.id);
  console.log(JSON.stringify({ ms, calls: count }));
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
