// The official OpenAI Node SDK (npm "openai", 4.x) against the bundled assistants service: the
// whole assistants flow, file search, streaming, typed errors and the SDK's Azure client.
// Run by run-sdk-tests, which installs the SDK and passes its folder in OZK_NODE_SDK_DIR.
'use strict';

const assert = require('node:assert/strict');
const path = require('node:path');
const { describe, test } = require('node:test');

const { useBundledService } = require('./service_harness.cjs');

const sdkDir = process.env.OZK_NODE_SDK_DIR;
const { OpenAI, AzureOpenAI, toFile } = require(path.join(sdkDir, 'node_modules', 'openai'));
const svc = useBundledService('ozk-sdk-test-');
const recording = svc.recording;

const client = () => recording(new OpenAI({ apiKey: 'sk-test', baseURL: svc.baseURL + '/v1',
                                            maxRetries: 0 }));

async function control(pathName, body) {
  const answer = await fetch(svc.baseURL + '/_control/' + pathName,
                             { method: 'POST', body: JSON.stringify(body) });
  assert.equal(answer.status, 200);
}

const MANUAL = 'Setup: run the installer and pick a folder.\n' +
               'The JSON parser of the library tolerates trailing commas.\n' +
               'Support tickets are answered within two days \u{1F4E8}.\n';

describe('assistants flow', () => {
  test('create, createAndPoll, messages of the run, listing', async () => {
    const openai = client();
    const assistant = await openai.beta.assistants.create({
      model: 'gpt-4o', name: 'Math Tutor', instructions: 'Solve equations.' });
    assert.match(assistant.id, /^asst_/);
    const thread = await openai.beta.threads.create();
    await openai.beta.threads.messages.create(thread.id, { role: 'user',
                                                           content: 'Solve 3x + 11 = 14' });
    const run = await openai.beta.threads.runs.createAndPoll(thread.id,
                                                             { assistant_id: assistant.id });
    assert.equal(run.status, 'completed');
    assert.ok(run.usage.total_tokens > 0);
    const messages = await openai.beta.threads.messages.list(thread.id, { run_id: run.id });
    assert.equal(messages.data.length, 1);
    assert.equal(messages.data[0].role, 'assistant');
    assert.match(messages.data[0].content[0].text.value, /x = 1/);
    const steps = await openai.beta.threads.runs.steps.list(thread.id, run.id);
    assert.equal(steps.data[0].type, 'message_creation');

    for (let i = 0; i < 4; i++) await openai.beta.assistants.create({ model: 'gpt-4o' });
    const seen = [];
    for await (const item of openai.beta.assistants.list({ limit: 2, order: 'asc' })) {
      seen.push(item.id);
    }
    assert.equal(new Set(seen).size, seen.length);
    assert.ok(seen.length >= 5);
    assert.equal(seen[0], assistant.id);
    const deleted = await openai.beta.assistants.del(seen[1]);
    assert.equal(deleted.deleted, true);
  });

  test('file upload, vector store, file search with a citation', async () => {
    const openai = client();
    const file = await openai.files.create({
      file: await toFile(Buffer.from(MANUAL, 'utf8'), 'manual.txt'), purpose: 'assistants' });
    assert.match(file.id, /^file-/);
    assert.equal(file.bytes, Buffer.byteLength(MANUAL));
    const content = await openai.files.content(file.id);
    assert.equal(await content.text(), MANUAL);

    const store = await openai.vectorStores.create({ name: 'manuals' });
    const attached = await openai.vectorStores.files.createAndPoll(store.id,
                                                                  { file_id: file.id });
    assert.equal(attached.status, 'completed');
    const second = await openai.vectorStores.fileBatches.uploadAndPoll(store.id, {
      files: [await toFile(Buffer.from('Refunds take a week.\n'), 'refunds.txt')] });
    assert.equal(second.status, 'completed');
    assert.equal(second.file_counts.completed, 1);
    const refreshed = await openai.vectorStores.retrieve(store.id);
    assert.equal(refreshed.file_counts.completed, 2);

    const assistant = await openai.beta.assistants.create({
      model: 'gpt-4o', name: 'Help Desk', tools: [{ type: 'file_search' }],
      tool_resources: { file_search: { vector_store_ids: [store.id] } } });
    const run = await openai.beta.threads.createAndRunPoll({
      assistant_id: assistant.id,
      thread: { messages: [{ role: 'user', content: 'How fast are support tickets answered?' }] },
    });
    assert.equal(run.status, 'completed');
    const [message] = (await openai.beta.threads.messages.list(run.thread_id,
                                                               { run_id: run.id })).data;
    const text = message.content[0].text;
    assert.match(text.value, /Support tickets are answered within two days/);
    const [annotation] = text.annotations;
    assert.equal(annotation.type, 'file_citation');
    assert.equal(annotation.file_citation.file_id, file.id);
    // JavaScript strings count UTF-16 units, as the indices do.
    assert.equal(text.value.slice(annotation.start_index, annotation.end_index),
                 annotation.text);
  });

  test('streaming run rebuilds the message the service stores', async () => {
    const openai = client();
    const assistant = await openai.beta.assistants.create({ model: 'gpt-4o', name: 'Echo' });
    const thread = await openai.beta.threads.create({
      messages: [{ role: 'user', content: 'Stream this question back' }] });
    const events = [];
    let deltas = '';
    const stream = openai.beta.threads.runs.stream(thread.id, { assistant_id: assistant.id })
      .on('event', (event) => events.push(event.event))
      .on('textDelta', (delta) => { deltas += delta.value; });
    const finalRun = await stream.finalRun();
    const [finalMessage] = await stream.finalMessages();
    assert.equal(finalRun.status, 'completed');
    assert.equal(events[0], 'thread.run.created');
    assert.equal(events.at(-1), 'thread.run.completed');
    assert.ok(events.indexOf('thread.message.created') < events.indexOf('thread.message.delta'));
    assert.equal(deltas, finalMessage.content[0].text.value);
    assert.match(deltas, /Echo \(asst_\w+\) received your message: "Stream this question back"/);
    const stored = await openai.beta.threads.messages.retrieve(thread.id, finalMessage.id);
    assert.equal(stored.content[0].text.value, deltas);
  });

  test('errors arrive as the SDK typed errors', async () => {
    const openai = client();
    await assert.rejects(openai.beta.assistants.retrieve('asst_missing'), OpenAI.NotFoundError);
    await assert.rejects(openai.beta.assistants.create({ model: 'gpt-4o', bogus: 1 }),
                         (error) => error instanceof OpenAI.BadRequestError &&
                                    error.param === 'bogus' && error.status === 400);
    const denied = new OpenAI({ apiKey: '', baseURL: svc.baseURL + '/v1', maxRetries: 0,
                                defaultHeaders: { Authorization: '' } });
    await assert.rejects(denied.models.list(), OpenAI.AuthenticationError);
    await control('fail', { status: 429, count: 1 });
    await assert.rejects(openai.models.list(), OpenAI.RateLimitError);
    await control('fail', { status: 500, count: 1 });
    await assert.rejects(openai.models.list(), OpenAI.InternalServerError);
    // With retries on, the SDK rides out an injected failure.
    await control('fail', { status: 500, count: 1 });
    const retrying = new OpenAI({ apiKey: 'k', baseURL: svc.baseURL + '/v1', maxRetries: 1 });
    assert.ok((await retrying.models.list()).data.length > 0);
  });

  test('the AzureOpenAI client', async () => {
    const azure = recording(new AzureOpenAI({ apiKey: 'azure-key', endpoint: svc.baseURL,
                                              apiVersion: '2024-10-21', maxRetries: 0 }));
    const assistant = await azure.beta.assistants.create({ model: 'gpt-4o', name: 'Azure' });
    const run = await azure.beta.threads.createAndRunPoll({
      assistant_id: assistant.id,
      thread: { messages: [{ role: 'user', content: '2y - 4 = 10' }] } });
    assert.equal(run.status, 'completed');
    const messages = await azure.beta.threads.messages.list(run.thread_id);
    assert.match(messages.data[0].content[0].text.value, /y = 7/);
    const page = await azure.beta.assistants.list({ limit: 1 });
    assert.equal(page.data.length, 1);
    const file = await azure.files.create({ file: await toFile(Buffer.from('az\n'), 'az.txt'),
                                            purpose: 'assistants' });
    const store = await azure.vectorStores.create({ name: 'az', file_ids: [file.id] });
    assert.equal(store.file_counts.total, 1);
    // Deployment-scoped endpoints go to /openai/deployments/{model}/...
    const chat = await azure.chat.completions.create({
      model: 'my-deployment', messages: [{ role: 'user', content: '5x = 10' }] });
    assert.match(chat.choices[0].message.content, /x = 2/);
    const embedded = await azure.embeddings.create({ model: 'emb', input: 'hello',
                                                     dimensions: 8 });
    assert.equal(embedded.data[0].embedding.length, 8);
  });
});
