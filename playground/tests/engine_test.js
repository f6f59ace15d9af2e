// The playground's engine under node, against what the host program gives:
// every example scene's kept report, the kept pictures of docs/pictures/,
// the host program's messages for malformed scenes, and the examples that
// the routine reference links to the playground.
//
//   node engine_test.js ENGINE.js SOURCE_DIR
"use strict";
const fs = require("fs");
const path = require("path");

const [enginePath, sourceDir] = process.argv.slice(2);
const failures = [];
let checks = 0;

function check(ok, what) {
  ++checks;
  if (!ok) failures.push(what);
}

// The first line where two texts differ, for the message.
function firstDifference(expected, actual) {
  const a = expected.split("\n");
  const b = actual.split("\n");
  for (let i = 0; i < Math.max(a.length, b.length); ++i)
    if (a[i] !== b[i])
      return "line " + (i + 1) + ": expected " + JSON.stringify(a[i]) + ", got " +
             JSON.stringify(b[i]);
  return "";
}

function run(engine, text, name) {
  const heap = (value) => {
    const size = engine.lengthBytesUTF8(value) + 1;
    const address = engine._malloc(size);
    engine.stringToUTF8(value, address, size);
    return address;
  };
  const scene = heap(text);
  const label = heap(name);
  const status = engine._tier_run(scene, label);
  engine._free(scene);
  engine._free(label);
  const reports = [];
  for (let i = 0; i < engine._tier_step_count(); ++i)
    reports.push(engine.UTF8ToString(engine._tier_step_report(i)));
  return {
    status,
    error: engine.UTF8ToString(engine._tier_error()),
    report: reports.join(""),
    steps: reports.length,
    picture: engine.UTF8ToString(engine._tier_picture()),
    pictureError: engine.UTF8ToString(engine._tier_picture_error()),
  };
}

function exampleScenes(engine) {
  const folder = path.join(sourceDir, "scenes");
  for (const file of fs.readdirSync(folder).filter((name) => name.endsWith(".scene")).sort()) {
    const name = "scenes/" + file;
    const result = run(engine, fs.readFileSync(path.join(folder, file), "utf8"), name);
    const expected = fs.readFileSync(path.join(folder, file.replace(/\.scene$/, ".expected")),
                                     "utf8");
    check(result.status === 0 && result.report === expected,
          name + ": the report differs from the expected one: " +
          (result.error || firstDifference(expected, result.report)));
    const kept = path.join(sourceDir, "docs", "pictures", file.replace(/\.scene$/, ".svg"));
    if (fs.existsSync(kept))
      check(result.picture === fs.readFileSync(kept, "utf8"),
            name + ": the picture differs from " + kept + ": " +
            (result.pictureError || firstDifference(fs.readFileSync(kept, "utf8"), result.picture)));
  }
}

// Malformed scenes give the host program's message, naming file and line,
// and no report.
function malformedScenes(engine) {
  const data = path.join(sourceDir, "hostprog", "tests", "data");
  const cases = [
    ["malformed.scene", 'malformed.scene:4: unknown object type "Wall"'],
    ["misspelt.scene",
     'misspelt.scene:5: no routine has the display string "tirGetFV"; did you mean "tirGetFV("?'],
  ];
  for (const [file, message] of cases) {
    const result = run(engine, fs.readFileSync(path.join(data, file), "utf8"), file);
    check(result.status === 2 && result.error.startsWith(message) && result.report === "",
          file + ": expected status 2 and " + JSON.stringify(message) + ", got " + result.status +
          " and " + JSON.stringify(result.error));
  }
  const misspelt = run(engine, fs.readFileSync(path.join(data, "misspelt.scene"), "utf8"), "m");
  check(misspelt.error.endsWith("(the menu Add a call lists them all)"),
        "the page's message points at a command line: " + misspelt.error);
  const empty = run(engine, "# nothing\n", "empty.scene");
  check(empty.status === 2 &&
        empty.error === "empty.scene: the scene is empty: it describes no frame and makes no call",
        "an empty scene is refused as the host program refuses it, got " + empty.error);
  // A run after a failed one starts afresh.
  const again = run(engine, "type A\nobject 0 A\norder 0\n", "again.scene");
  check(again.status === 0 && again.error === "" && again.steps === 1,
        "a run after a malformed scene: " + JSON.stringify(again.error));
}

// Each routine's "try it" link of the reference opens a scene that runs, with
// one call of that routine.
function referenceExamples(engine) {
  const reference = fs.readFileSync(path.join(sourceDir, "docs", "routines.md"), "utf8");
  const links = [...reference.matchAll(/\]\(([^)#]*tier-playground\.html)#scene=([A-Za-z0-9_-]+)\)/g)];
  // The catalogue as `tier_host_program --list --json` prints it, kind by
  // kind, each kind by code, as the reference lists the routines.
  const catalogue = JSON.parse(fs.readFileSync(path.join(sourceDir, "docs", "routines.json"), "utf8"));
  const routines = catalogue.routines.map(row => row.kind + " " + row.code);
  const expected = routines.length;
  check(links.length === expected,
        "docs/routines.md links " + links.length + " examples, not one per routine (" +
        expected + ")");
  links.forEach(([, page, code], index) => {
    check(page === "../build/wasm/tier-playground.html", "a link goes to " + page);
    const text = Buffer.from(code, "base64url").toString("utf8");
    const result = run(engine, text, "example.scene");
    check(result.status === 0 && result.steps === 2 && result.picture !== "" &&
          result.report.includes("\ncall 1: " + routines[index] + " "),
          "the example of " + routines[index] + " does not call it: " + JSON.stringify(text) +
          ": " + (result.error || result.report.split("\n").find((l) => l.startsWith("call 1:"))));
  });
}

// A run taken a slice at a time gives the report of a run made at once, and
// a window of a large order draws only the nodes at its positions.
function slicesAndWindows(engine) {
  const text = fs.readFileSync(path.join(sourceDir, "scenes", "steps.scene"), "utf8");
  const whole = run(engine, text, "steps.scene");
  const heap = (value) => {
    const size = engine.lengthBytesUTF8(value) + 1;
    const address = engine._malloc(size);
    engine.stringToUTF8(value, address, size);
    return address;
  };
  const [scene, name] = [heap(text), heap("steps.scene")];
  check(engine._tier_begin(scene, name) === 0, "steps.scene does not begin");
  engine._free(scene);
  engine._free(name);
  let slices = 1;
  while (engine._tier_advance(0) === 0) ++slices;
  let report = "";
  for (let i = 0; i < engine._tier_step_count(); ++i)
    report += engine.UTF8ToString(engine._tier_step_report(i));
  check(report === whole.report && slices > whole.steps,
        "a run in " + slices + " slices differs from the run at once: " +
        firstDifference(whole.report, report));

  const objects = 100;
  let big = "type Ball\n";
  for (let slot = 0; slot < objects; ++slot) big += "object " + slot + " Ball x " + slot + "\n";
  big += "order " + [...Array(objects).keys()].join(" ") + '\ncall "Send %0 Back %1" fv(slot 60), 3\n';
  check(run(engine, big, "big.scene").status === 0, "the 100-object scene does not run");
  check(engine._tier_touched(1) === 57, "call 1 touched position " + engine._tier_touched(1) +
        ", not 57, where slot 60 went");
  const window = engine.UTF8ToString(engine._tier_window_picture(1, 50, 16));
  const chips = [...window.matchAll(/<text [^>]*font-size="10">(\d+)<\/text>/g)].map((m) => m[1]);
  check(window.includes("[positions 51 to 66 of 100]") && chips.length === 32 &&
        chips.includes("60") && !chips.includes("49") && !chips.includes("66"),
        "the window of positions 51 to 66 draws " + JSON.stringify(chips));
}

require(path.resolve(enginePath))().then((engine) => {
  exampleScenes(engine);
  malformedScenes(engine);
  slicesAndWindows(engine);
  referenceExamples(engine);
  for (const failure of failures) console.log("FAILED: " + failure);
  console.log((checks - failures.length) + " of " + checks + " checks passed");
  process.exit(failures.length === 0 ? 0 : 1);
});
