// The playground page: a scene editor, the example scenes, a menu of the
// routines, and the run's report and picture, step by step. The engine runs
// in a worker started from the page's own text (the engine and worker.js lie
// in it as plain text), so the page needs no server and fetches nothing.
"use strict";
(function () {
  const $ = (id) => document.getElementById(id);
  const editor = $("scene");
  const gutter = $("gutter");
  const marks = $("marks");
  const report = $("report");
  const picture = $("picture");
  const errorBox = $("error");
  const status = $("status");
  const stepLabel = $("step-label");

  // The name the host program would give the scene file in its messages.
  const SCENE_NAME = "playground.scene";
  const LINE_HEIGHT = 18; // px, as page.css sets for the editor
  // The example call's object types (playground/example_scene.h), in the
  // order that the parameters A, B and C take them.
  const EXAMPLE_TYPES = ["Ball", "Player", "Wall"];

  let worker = null;
  let nextId = 1;
  let awaitedRun = 0; // the id of the run whose answer counts
  let shown = null; // the answer of the run on show
  let step = -1; // the step on show; -1: the whole run
  let firstReportSeen = false;

  // --- Scenes in the address: "#scene=" and base64url of the UTF-8 text ---

  function encodeScene(text) {
    const bytes = new TextEncoder().encode(text);
    let binary = "";
    for (let i = 0; i < bytes.length; i += 0x8000)
      binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(binary).replace(/\+/g, "-").replace(/\//g, "_").replace(/=+$/, "");
  }

  // The scene's text; throws when the code is not base64url of UTF-8.
  function decodeScene(code) {
    if (!/^[A-Za-z0-9_-]*={0,2}$/.test(code) || code.replace(/=+$/, "").length % 4 === 1)
      throw new Error("not base64url");
    let base64 = code.replace(/=+$/, "").replace(/-/g, "+").replace(/_/g, "/");
    while (base64.length % 4 !== 0) base64 += "=";
    const binary = atob(base64);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return new TextDecoder("utf-8", { fatal: true }).decode(bytes);
  }

  function sceneInAddress() {
    const hash = location.hash;
    return hash.startsWith("#scene=") ? hash.slice("#scene=".length) : null;
  }

  // --- The editor's line numbers and marks ---

  function lineCount() {
    let count = 1;
    for (let at = editor.value.indexOf("\n"); at >= 0; at = editor.value.indexOf("\n", at + 1))
      ++count;
    return count;
  }

  let markedLines = []; // [{line, kind}]

  let gutterDrawn = "";

  // Redrawn only when the number of lines or the marks change: a scene may
  // have tens of thousands of lines.
  function drawGutter() {
    const count = lineCount();
    const key = count + " " + JSON.stringify(markedLines);
    if (key === gutterDrawn) return followScroll();
    gutterDrawn = key;
    // Plain text but for the marked lines, which are elements of their own.
    const numbers = document.createDocumentFragment();
    let text = "";
    let line = 1;
    for (const mark of [...markedLines].sort((a, b) => a.line - b.line)) {
      if (mark.line > count || mark.line < line) continue;
      for (; line < mark.line; ++line) text += line + "\n";
      numbers.append(text);
      text = "\n";
      const number = document.createElement("span");
      number.className = mark.kind;
      number.textContent = String(line++);
      numbers.append(number);
    }
    for (; line <= count; ++line) text += line + "\n";
    numbers.append(text);
    gutter.replaceChildren(numbers);
    followScroll();
  }

  function drawMarks() {
    marks.replaceChildren(
      ...markedLines.map((mark) => {
        const band = document.createElement("div");
        band.className = mark.kind;
        band.dataset.line = String(mark.line);
        band.style.top = 4 + (mark.line - 1) * LINE_HEIGHT + "px";
        return band;
      })
    );
    drawGutter();
  }

  function followScroll() {
    gutter.scrollTop = editor.scrollTop;
    for (const band of marks.children)
      band.style.transform = "translateY(" + -editor.scrollTop + "px)";
  }

  function markLines(list) {
    markedLines = list.filter((mark) => mark.line > 0);
    drawMarks();
  }

  function scrollToLine(line) {
    const top = (line - 1) * LINE_HEIGHT;
    if (top < editor.scrollTop || top + LINE_HEIGHT > editor.scrollTop + editor.clientHeight)
      editor.scrollTop = Math.max(0, top - editor.clientHeight / 2);
    followScroll();
  }

  // --- Showing a run ---

  function showPicture(svgText, note) {
    picture.replaceChildren();
    if (svgText) {
      const parsed = new DOMParser().parseFromString(svgText, "image/svg+xml");
      picture.appendChild(document.importNode(parsed.documentElement, true));
    } else if (note) {
      const text = document.createElement("div");
      text.className = "note";
      text.textContent = note;
      picture.appendChild(text);
    }
  }

  function showError(message) {
    errorBox.textContent = message;
    errorBox.hidden = message === "";
  }

  // The line a message of the host program names: "NAME:LINE: ...".
  function errorLine(message) {
    if (!message.startsWith(SCENE_NAME + ":")) return 0;
    const found = /^(\d+):/.exec(message.slice(SCENE_NAME.length + 1));
    return found ? Number(found[1]) : 0;
  }

  function setStepButtons() {
    const count = shown && shown.status === 0 ? shown.reports.length : 0;
    $("step-first").disabled = count === 0 || step === 0;
    $("step-back").disabled = count === 0 || step <= 0;
    $("step-next").disabled = count === 0 || step === count - 1;
    $("step-last").disabled = count === 0 || step === count - 1;
    $("step-all").disabled = count === 0 || step === -1;
  }

  function showRun(answer) {
    shown = answer;
    step = -1;
    if (answer.status !== 0) {
      report.replaceChildren();
      showPicture("", "");
      showError(answer.error);
      const line = errorLine(answer.error);
      markLines([{ line, kind: "error-line" }]);
      if (line > 0) scrollToLine(line);
      stepLabel.textContent = "the scene has an error";
      status.textContent = "not run: the scene has an error";
      setStepButtons();
      return;
    }
    showError("");
    markLines([]);
    // One element per step, so that a step can be shown in the whole report,
    // and within it one per few hundred lines, so that a long report lays
    // out only the lines in view.
    report.replaceChildren(
      ...answer.reports.map((piece, number) => {
        const part = document.createElement("span");
        part.dataset.step = String(number);
        for (const lines of chunksOfLines(piece, 200)) {
          const chunk = document.createElement("span");
          chunk.textContent = lines;
          part.appendChild(chunk);
        }
        return part;
      })
    );
    showWhole();
    const calls = answer.reports.length - 1;
    status.textContent =
      "ran " + calls + (calls === 1 ? " call" : " calls") + " in " +
      answer.milliseconds.toFixed(1) + " ms";
    if (!firstReportSeen) {
      firstReportSeen = true;
      performance.mark("tier-first-report");
    }
    document.body.dataset.runs = String(Number(document.body.dataset.runs || 0) + 1);
  }

  // The text cut after every `count`-th line end.
  function* chunksOfLines(text, count) {
    let start = 0;
    while (start < text.length) {
      let end = start;
      for (let i = 0; i < count && end >= 0 && end < text.length; ++i)
        end = text.indexOf("\n", end) + 1 || text.length;
      yield text.slice(start, end);
      start = end;
    }
  }

  function showWhole() {
    step = -1;
    for (const part of report.children) part.classList.remove("current");
    const calls = shown.reports.length - 1;
    stepLabel.textContent = "whole run: " + calls + (calls === 1 ? " call" : " calls");
    showPicture(shown.picture, shown.pictureError);
    markLines([]);
    setStepButtons();
  }

  function showStep(number) {
    if (!shown || shown.status !== 0) return;
    step = Math.max(0, Math.min(number, shown.reports.length - 1));
    for (const part of report.children)
      part.classList.toggle("current", Number(part.dataset.step) === step);
    const current = report.children[step];
    report.scrollTop = current.offsetTop - report.offsetTop;
    const calls = shown.reports.length - 1;
    stepLabel.textContent = step === 0 ? "before the first call" : "call " + step + " of " + calls;
    const line = shown.lines[step];
    markLines([{ line, kind: "call-line" }]);
    if (line > 0) scrollToLine(line);
    setStepButtons();
    if (shown.pictureError) showPicture("", shown.pictureError);
    else worker.postMessage({ kind: "step", id: shown.id, number: step });
  }

  // --- The worker ---

  function onAnswer(event) {
    const answer = event.data;
    switch (answer.kind) {
      case "ready":
        fillRoutines(answer.menu);
        break;
      case "ran":
        if (answer.id !== awaitedRun) break;
        performance.mark("tier-answer");
        showRun(answer);
        performance.mark("tier-shown");
        break;
      case "stepPicture":
        if (shown && answer.id === shown.id && answer.number === step)
          showPicture(answer.picture, answer.picture ? "" : "run the scene again to step through it");
        break;
      case "failed":
        status.textContent = "the engine stopped";
        showError("The run stopped: " + answer.error);
        break;
    }
  }

  function startWorker() {
    const code = $("engine").textContent + "\n;\n" + $("worker").textContent;
    const url = URL.createObjectURL(new Blob([code], { type: "text/javascript" }));
    worker = new Worker(url);
    worker.onmessage = onAnswer;
    worker.onerror = (event) => {
      status.textContent = "the engine could not start";
      showError("The engine could not start: " + (event.message || "unknown reason"));
    };
  }

  function run() {
    awaitedRun = nextId++;
    status.textContent = "running...";
    worker.postMessage({ kind: "run", id: awaitedRun, text: editor.value, name: SCENE_NAME });
  }

  // --- Menus: the example scenes and the routines ---

  function fillExamples() {
    const examples = JSON.parse($("example-scenes").textContent);
    const menu = $("examples");
    for (const example of examples) {
      const option = document.createElement("option");
      option.value = example.name;
      option.textContent = example.name.replace(/\.scene$/, "");
      option.dataset.text = example.text;
      menu.appendChild(option);
    }
    menu.addEventListener("change", () => {
      const option = menu.selectedOptions[0];
      if (!option || option.value === "") return;
      setScene(option.dataset.text);
      run();
    });
    return examples;
  }

  function fillRoutines(menuRows) {
    const menu = $("routines");
    const groups = new Map();
    for (const row of menuRows) {
      if (!groups.has(row.kind)) {
        const group = document.createElement("optgroup");
        group.label = row.kind.charAt(0).toUpperCase() + row.kind.slice(1) + "s";
        groups.set(row.kind, group);
        menu.appendChild(group);
      }
      const option = document.createElement("option");
      option.value = row.call;
      option.textContent = row.display;
      option.title = row.summary;
      groups.get(row.kind).appendChild(option);
    }
    menu.addEventListener("change", () => {
      if (menu.value !== "") insertCall(menu.value);
      menu.value = "";
    });
  }

  // The example call with the object types of the scene in the editor.
  function adaptCall(call) {
    const types = [];
    for (const found of editor.value.matchAll(/^[ \t]*type[ \t]+([A-Za-z_][A-Za-z0-9_]*)/gm))
      types.push(found[1]);
    if (types.length === 0) return call;
    return call.replace(/\bobject (Ball|Player|Wall)\b/g, (whole, name) => {
      const index = Math.min(EXAMPLE_TYPES.indexOf(name), types.length - 1);
      return "object " + types[index];
    });
  }

  // Puts the call on a line of its own after the line of the caret.
  function insertCall(call) {
    const text = editor.value;
    const lineEnd = text.indexOf("\n", editor.selectionEnd);
    const at = lineEnd < 0 ? text.length : lineEnd;
    const line = adaptCall(call);
    const inserted = lineEnd < 0 ? (text === "" || text.endsWith("\n") ? "" : "\n") + line + "\n"
                                 : "\n" + line;
    editor.setRangeText(inserted, at, at, "end");
    if (lineEnd < 0) editor.setSelectionRange(at + inserted.length - 1, at + inserted.length - 1);
    editor.focus();
    edited();
  }

  function setScene(text) {
    editor.value = text;
    editor.scrollTop = 0;
    edited();
  }

  function edited() {
    markLines([]);
  }

  // --- The address ---

  function loadFromAddress() {
    const code = sceneInAddress();
    if (code === null) return false;
    let text;
    try {
      text = decodeScene(code);
    } catch (failure) {
      showError("The address holds no scene: after #scene= it needs the scene's text " +
                "in base64url (" + failure.message + ").");
      return true;
    }
    $("examples").value = "";
    setScene(text);
    run();
    return true;
  }

  function makeLink() {
    const code = encodeScene(editor.value);
    history.replaceState(null, "", "#scene=" + code);
    const box = $("link-text");
    box.value = location.href;
    $("link-box").hidden = false;
    box.select();
    if (navigator.clipboard) navigator.clipboard.writeText(location.href).catch(() => {});
  }

  // --- Start ---

  editor.addEventListener("input", edited);
  editor.addEventListener("scroll", followScroll);
  editor.addEventListener("keydown", (event) => {
    if (event.key === "Enter" && (event.ctrlKey || event.metaKey)) {
      event.preventDefault();
      run();
    }
  });
  $("run").addEventListener("click", run);
  $("link").addEventListener("click", makeLink);
  $("step-first").addEventListener("click", () => showStep(0));
  $("step-back").addEventListener("click", () => showStep(step <= 0 ? 0 : step - 1));
  $("step-next").addEventListener("click", () => showStep(step + 1));
  $("step-last").addEventListener("click", () => showStep(shown.reports.length - 1));
  $("step-all").addEventListener("click", showWhole);
  window.addEventListener("hashchange", loadFromAddress);

  startWorker();
  const examples = fillExamples();
  setStepButtons();
  if (!loadFromAddress()) {
    const tour = examples.find((example) => example.name === "tour.scene") || examples[0];
    if (tour) {
      $("examples").value = tour.name;
      setScene(tour.text);
      run();
    }
  }
})();
