// The Node side of the REST benchmark: COUNT calls with the official OpenAI Node SDK, timed after
// one warm-up call, either retrievals of one run or creations of a user message with TEXT on
// THREAD_ID. Prints {"ms": ..., "calls": ...} on one line.
//   node ozkHTTP_API_OpenAI_bench.js SDK_DIR BASE_URL THREAD_ID RUN_ID COUNT keepalive|fresh
//        [retrieve|message [TEXT]]
// For HTTPS the caller trusts the test CA through NODE_EXTRA_CA_CERTS.
'use strict';
const path = require('path');
const http = require('http');
const https = require('https');

async function main() {
  const [sdkDir, baseURL, threadId, runId, countText, mode, operation = 'retrieve', text = ''] =
    process.argv.slice(2);
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
  let call;
  let check;
  if (operation === 'message') {
    call = () => client.beta.threads.messages.create(threadId, { role: 'user', content: text });
    check = (message) => message.role === 'user' && message.thread_id === threadId;
  } else {
    call = () => client.beta.threads.runs.retrieve(threadId, runId);
    check = (run) => run.id === runId;
  }
  let result = await call();
  const start = process.hrtime.bigint();
  for (let i = 0; i < count; ++i) result = await call();
  const ms = Number(process.hrtime.bigint() - start) / 1e6;
  if (!check(result)) throw new Error('unexpected answer ' + JSON.stringify(result));
  console.log(JSON.stringify({ ms, calls: count }));
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
