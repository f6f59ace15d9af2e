// The engine's side of the page. It follows the script of the engine
// (TierEngine) in the same blob, and runs in a worker so that a long run
// leaves the page responsive; where the browser refuses the worker, the page
// loads the same blob itself and calls TierCore, making the calls a slice at
// a time. Messages in: {kind: "run", id, text, name, window: {count}} and
// {kind: "picture", id, step, first, count}; out: "ready", "ran", "picture",
// "failed".
"use strict";

const TierCore = (function () {
  let engine = null;
  let lastRun = 0; // the id of the run the engine holds

  function start() {
    return TierEngine().then((module) => {
      engine = module;
      return module;
    });
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
        const [kind, code, display, form, call, summary, scene] = line.split("\t");
        return {
          index, kind, code: Number(code), display, form, call, summary,
          scene: scene.replace(/\x1f/g, "\n"),
        };
      });
  }

  // Reads the scene and readies its calls: 0, or 2 for a malformed scene.
  function begin(message) {
    lastRun = message.id;
    const scene = heapString(message.text);
    const name = heapString(message.name);
    try {
      return engine._tier_begin(scene, name);
    } finally {
      engine._free(scene);
      engine._free(name);
    }
  }

  // Makes calls for about `milliseconds`; true once all are made.
  function advance(milliseconds) {
    return engine._tier_advance(milliseconds) === 1;
  }

  // A step's first line (a call's with the blank line before it), which
  // stands for the step while its report is folded away.
  function head(report) {
    const start = report.startsWith("\n") ? 1 : 0;
    const end = report.indexOf("\n", start);
    return end < 0 ? report : report.slice(0, end + 1);
  }

  function lineCount(report) {
    let count = 0;
    for (let at = report.indexOf("\n"); at >= 0; at = report.indexOf("\n", at + 1)) ++count;
    return count;
  }

  function picture(id, step, first, count) {
    const current = id === lastRun;
    const svg = current ? text(engine._tier_window_picture(step, first, count)) : "";
    const error = current ? text(engine._tier_picture_error()) : "a later run replaced this one";
    return { kind: "picture", id, step, first, count, picture: svg, error };
  }

  // What the page shows of a finished run: every step's report with its
  // first line and length, the scene lines of the calls, the first position
  // each call touched, and the picture of the whole run in a window of the
  // order around the first position that a call touched.
  function finished(message, status, started) {
    const answer = { kind: "ran", id: message.id, status, error: text(engine._tier_error()) };
    const steps = status === 0 ? engine._tier_step_count() : 0;
    answer.heads = [];
    answer.lineCounts = [];
    answer.lines = [];
    answer.touched = [];
    // The steps' reports travel as one buffer of UTF-8 that is handed over,
    // not copied (megabytes for a large scene), and are read when shown.
    const reports = [];
    for (let i = 0; i < steps; ++i) {
      const report = text(engine._tier_step_report(i));
      reports.push(report);
      answer.heads.push(head(report));
      answer.lineCounts.push(lineCount(report));
      answer.lines.push(engine._tier_step_line(i));
      answer.touched.push(engine._tier_touched(i));
    }
    answer.reportEnds = [];
    const bytes = new Uint8Array(reports.reduce((sum, report) => sum + report.length * 3, 0));
    const encoder = new TextEncoder();
    let used = 0;
    for (const report of reports) {
      used += encoder.encodeInto(report, bytes.subarray(used)).written;
      answer.reportEnds.push(used);
    }
    answer.reportBytes = bytes.slice(0, used);
    answer.nodeCount = engine._tier_node_count();
    const count = message.window.count;
    const touched = answer.touched.find((position) => position >= 0);
    const first = touched === undefined ? 0 : Math.max(0, touched - Math.floor(count / 4));
    const whole = steps > 0 ? picture(message.id, -1, first, count) : { picture: "", error: "" };
    answer.window = { first, count };
    answer.picture = whole.picture;
    answer.pictureError = whole.error;
    answer.milliseconds = performance.now() - started;
    return answer;
  }

  function run(message) {
    const started = performance.now();
    const status = begin(message);
    if (status === 0) advance(Infinity);
    return finished(message, status, started);
  }

  function handle(message) {
    if (message.kind === "run") return run(message);
    if (message.kind === "picture")
      return picture(message.id, message.step, message.first, message.count);
    return { kind: "failed", id: message.id, error: "unknown request " + message.kind };
  }

  const version = () => text(engine._tier_version());

  return { start, routineMenu, version, begin, advance, finished, handle };
})();

// In a worker: answer the page's messages.
if (typeof WorkerGlobalScope !== "undefined" && self instanceof WorkerGlobalScope) {
  let starting = TierCore.start();
  self.onmessage = (event) => {
    const message = event.data;
    starting.then(() => {
      try {
        const answer = TierCore.handle(message);
        self.postMessage(answer, answer.reportBytes ? [answer.reportBytes.buffer] : []);
      } catch (failure) {
        // The engine stopped (memory ran out, most likely): say so, and start
        // a fresh one for the next request.
        self.postMessage({ kind: "failed", id: message.id, error: String(failure) });
        starting = TierCore.start();
      }
    });
  };
  starting.then(
    () => self.postMessage({ kind: "ready", menu: TierCore.routineMenu(), version: TierCore.version() }),
    (failure) => self.postMessage({ kind: "failed", id: 0, error: String(failure) })
  );
}
