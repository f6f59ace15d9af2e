// The engine's side of the page, run in a worker so that a long run leaves
// the page responsive. It follows the script of the engine (TierEngine) in
// the same blob. Messages in: {kind: "run", id, text, name} and
// {kind: "step", id, number}; out: "ready", "ran", "stepPicture", "failed".
"use strict";

let engine = null;
let starting = null;
let lastRun = 0; // the id of the run the engine holds

function start() {
  starting = TierEngine().then((module) => {
    engine = module;
    return module;
  });
  return starting;
}

// A string into the engine's heap as UTF-8; the caller frees it.
function heapString(text) {
  const size = engine.lengthBytesUTF8(text) + 1;
  const address = engine._malloc(size);
  engine.stringToUTF8(text, address, size);
  return address;
}

function text(address) {
  return engine.UTF8ToString(address);
}

function routineMenu() {
  return text(engine._tier_routine_menu())
    .split("\n")
    .filter((line) => line !== "")
    .map((line, index) => {
      const [kind, display, call, summary] = line.split("\t");
      return { index, kind, display, call, summary };
    });
}

function run(message) {
  lastRun = message.id;
  const started = performance.now();
  const scene = heapString(message.text);
  const name = heapString(message.name);
  let status;
  try {
    status = engine._tier_run(scene, name);
  } finally {
    engine._free(scene);
    engine._free(name);
  }
  const steps = engine._tier_step_count();
  const reports = [];
  const lines = [];
  for (let i = 0; i < steps; ++i) {
    reports.push(text(engine._tier_step_report(i)));
    lines.push(engine._tier_step_line(i));
  }
  return {
    kind: "ran",
    id: message.id,
    status,
    error: text(engine._tier_error()),
    reports,
    lines,
    picture: text(engine._tier_picture()),
    pictureError: text(engine._tier_picture_error()),
    milliseconds: performance.now() - started,
  };
}

function handle(message) {
  if (message.kind === "run") return run(message);
  if (message.kind === "step") {
    // A step of a run that a later one has replaced has no picture any more.
    const current = message.id === lastRun;
    return {
      kind: "stepPicture",
      id: message.id,
      number: message.number,
      picture: current ? text(engine._tier_step_picture(message.number)) : "",
    };
  }
  return { kind: "failed", id: message.id, error: "unknown request " + message.kind };
}

self.onmessage = (event) => {
  const message = event.data;
  starting.then(() => {
    try {
      self.postMessage(handle(message));
    } catch (failure) {
      // The engine stopped (memory ran out, most likely): say so, and start
      // a fresh one for the next request.
      self.postMessage({ kind: "failed", id: message.id, error: String(failure) });
      start();
    }
  });
};

start().then(
  () => self.postMessage({ kind: "ready", menu: routineMenu() }),
  (failure) => self.postMessage({ kind: "failed", id: 0, error: String(failure) })
);
