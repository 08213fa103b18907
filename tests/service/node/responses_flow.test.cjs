// The official OpenAI Node SDK (npm "openai", the newest release that runs on Node 20) against
// the responses and conversations of the bundled service: responses.create plain, with file
// search and streamed, conversations.create and a response that carries a conversation on.
// Run by run-responses-sdk-tests, which installs the SDK and passes its folder in
// OZK_NODE_SDK_DIR.
'use strict';

const assert = require('node:assert/strict');
const path = require('node:path');
const { describe, test } = require('node:test');

const { useBundledService } = require('./service_harness.cjs');

const sdkDir = process.env.OZK_NODE_SDK_DIR;
const { OpenAI, toFile } = require(path.join(sdkDir, 'node_modules', 'openai'));
const svc = useBundledService('ozk-sdk-responses-');

function client() {
  return svc.recording(new OpenAI({ apiKey: 'sk-test', baseURL: svc.baseURL + '/v1', maxRetries: 0 }));
}

describe('responses and conversations', () => {
  test('responses.create answers from the engine', async () => {
    const openai = client();
    const response = await openai.responses.create({
      model: 'gpt-4o-mini', instructions: 'Show the steps.', input: 'Solve 7x - 4 = 10' });
    assert.equal(response.status, 'completed');
    assert.match(response.output_text, /Solution: x = 2/);
    const chained = await openai.responses.create({
      model: 'gpt-4o-mini', input: 'And x + 1 = 1?', previous_response_id: response.id });
    assert.equal(chained.previous_response_id, response.id);
    assert.match(chained.output_text, /x = 0/);
    const fetched = await openai.responses.retrieve(response.id);
    assert.equal(fetched.output_text, response.output_text);
  });

  test('responses.create with file search quotes the file and cites it', async () => {
    const openai = client();
    const file = await openai.files.create({
      file: await toFile(Buffer.from('Intro.\nRefunds are paid within five days.\n'),
                         'policy.txt'),
      purpose: 'assistants' });
    const store = await openai.vectorStores.create({ name: 'policies', file_ids: [file.id] });
    const response = await openai.responses.create({
      model: 'gpt-4o-mini', input: 'How fast are refunds paid?',
      tools: [{ type: 'file_search', vector_store_ids: [store.id] }] });
    assert.match(response.output_text, /Refunds are paid within five days/);
    const message = response.output.find((item) => item.type === 'message');
    const [citation] = message.content[0].annotations;
    assert.equal(citation.type, 'file_citation');
    assert.equal(citation.file_id, file.id);
    assert.equal(citation.filename, 'policy.txt');
    assert.ok(response.output.some((item) => item.type === 'file_search_call'));
  });

  test('responses.create streamed: deltas as they come, the completed response last', async () => {
    const openai = client();
    const stream = await openai.responses.create({
      model: 'gpt-4o-mini', stream: true,
      input: 'Please echo this rather long question back in several pieces' });
    const types = [];
    let text = '';
    let completed;
    for await (const event of stream) {
      types.push(event.type);
      if (event.type === 'response.output_text.delta') text += event.delta;
      if (event.type === 'response.completed') completed = event.response;
    }
    assert.equal(types[0], 'response.created');
    assert.equal(types.at(-1), 'response.completed');
    assert.ok(types.filter((t) => t === 'response.output_text.delta').length > 1);
    assert.equal(text, completed.output[0].content[0].text);
    assert.match(text, /received your message: "Please echo this rather long question/);

    // The SDK's own stream helper gives the same final response.
    const helper = openai.responses.stream({ model: 'gpt-4o-mini', input: 'Solve 2x = 6' });
    let helperText = '';
    helper.on('response.output_text.delta', (event) => { helperText += event.delta; });
    const final = await helper.finalResponse();
    assert.equal(final.output_text, helperText);
    assert.match(helperText, /x = 3/);
  });

  test('conversations.create and a response that carries it on', async () => {
    const openai = client();
    const conversation = await openai.conversations.create({
      metadata: { topic: 'maths' },
      items: [{ type: 'message', role: 'user', content: 'Hello!' }] });
    assert.match(conversation.id, /^conv_/);
    assert.deepEqual(conversation.metadata, { topic: 'maths' });
    const response = await openai.responses.create({
      model: 'gpt-4o-mini', input: 'Solve x + 4 = 9', conversation: conversation.id });
    assert.match(response.output_text, /x = 5/);
    const items = [];
    for await (const item of openai.conversations.items.list(conversation.id,
                                                             { order: 'asc' })) {
      items.push(item);
    }
    assert.deepEqual(items.map((item) => item.role), ['user', 'user', 'assistant']);
    const deleted = await openai.conversations.delete(conversation.id);
    assert.equal(deleted.deleted, true);
    await assert.rejects(openai.conversations.retrieve(conversation.id), OpenAI.NotFoundError);
  });
});
