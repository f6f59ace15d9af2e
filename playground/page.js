// The playground page: a scene editor, the example scenes, a menu of the
// routines, and the run's report and picture, step by step. The engine runs
// in a worker started from the page's own text (the engine and worker.js lie
// in it as plain text), so the page needs no server and fetches nothing;
// where the browser refuses the worker, the page runs the engine itself, a
// slice of calls at a time. Large scenes stay quick: the report of a step is
// laid out when it is opened, the picture shows a window of the order, and a
// very long scene is shown a screen at a time until the author edits it.
"use strict";
(function () {
  const $ = (id) => document.getElementById(id);
  const editor = $("scene");
  const gutter = $("gutter");
  const gutterLines = $("gutter-lines");
  const marks = $("marks");
  const report = $("report");
  const picture = $("picture");
  const errorBox = $("error");
  const status = $("status");
  const stepLabel = $("step-label");
  const examplesMenu = $("examples");
  const viewer = $("viewer");
  const viewerLines = $("viewer-lines");

  // The name that messages give the scene.
  const SCENE_NAME = "playground.scene";
  const LINE_HEIGHT = 18; // px, as page.css sets for the editor
  // The example call's object types (playground/example_scene.h), in the
  // order that the parameters A, B and C take them.
  const EXAMPLE_TYPES = ["Ball", "Player", "Wall"];
  // A report of up to this many lines shows whole; a longer one shows each
  // step's first line, and a step's lines when it is opened.
  const OPEN_REPORT_LINES = 3000;
  const CHUNK_LINES = 200; // lines per block of an open step
  // Links longer than this are compressed, where that makes them shorter.
  const PLAIN_LINK_CHARACTERS = 2000;
  const SLICE_MS = 25; // a slice of calls when the engine runs on the page
  // A browser lays out a text box's whole text at once, which takes it about a
  // second per megabyte: a longer scene is shown a screen at a time instead.
  const VIEWER_CHARACTERS = 100000;

  let engine = null; // {post(message)}: the worker, or the engine on the page
  let nextId = 1;
  let awaitedRun = 0; // the id of the run whose answer counts
  let runStarted = 0;
  let shown = null; // the answer of the run on show
  let step = -1; // the step on show; -1: the whole run
  let view = { first: 0, count: 16 }; // the positions of the order in the picture
  let wantedPicture = null; // the picture asked for last
  let firstReportSeen = false;
  let edited = false; // the editor holds edits that no example or link gave
  let held = null; // the scene on show in the viewer; null when the editor holds it
  const trySceneOf = new Map(); // "action-CODE": the routine's example scene

  // --- Scenes in the address: "#scene=" and base64url of the UTF-8 text,
  // or "#z=" and base64url of its deflate-raw compression ---

  function bytesToCode(bytes) {
    let binary = "";
    for (let i = 0; i < bytes.length; i += 0x8000)
      binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(binary).replace(/\+/g, "-").replace(/\//g, "_").replace(/=+$/, "");
  }

  // The bytes of base64url text; throws when it is not base64url.
  function codeToBytes(code) {
    if (!/^[A-Za-z0-9_-]*={0,2}$/.test(code) || code.replace(/=+$/, "").length % 4 === 1)
      throw new Error("not base64url");
    if (typeof Uint8Array.fromBase64 === "function")
      return Uint8Array.fromBase64(code.replace(/=+$/, ""), { alphabet: "base64url" });
    let base64 = code.replace(/=+$/, "").replace(/-/g, "+").replace(/_/g, "/");
    while (base64.length % 4 !== 0) base64 += "=";
    const binary = atob(base64);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  const utf8 = (bytes) => new TextDecoder("utf-8", { fatal: true }).decode(bytes);

  async function streamed(bytes, stream) {
    const piped = new Blob([bytes]).stream().pipeThrough(stream);
    return new Uint8Array(await new Response(piped).arrayBuffer());
  }

  // The part after "#" that carries the text: "scene=..." or, when shorter
  // for a long scene, "z=...".
  async function fragmentOf(text) {
    const bytes = new TextEncoder().encode(text);
    const plain = "scene=" + bytesToCode(bytes);
    if (plain.length <= PLAIN_LINK_CHARACTERS || typeof CompressionStream === "undefined")
      return plain;
    const packed = "z=" + bytesToCode(await streamed(bytes, new CompressionStream("deflate-raw")));
    return packed.length < plain.length ? packed : plain;
  }

  // The scene a fragment carries: "scene=", "z=" or "try=KIND-CODE", with or
  // without the "#" and whatever came before it. Throws with what is wrong.
  async function sceneOfFragment(given) {
    const fragment = given.trim().replace(/^[^#]*#/, "");
    const equals = fragment.indexOf("=");
    const form = fragment.slice(0, equals + 1);
    const code = fragment.slice(equals + 1);
    if (form === "scene=") return utf8(codeToBytes(code));
    if (form === "z=") {
      if (typeof DecompressionStream === "undefined")
        throw new Error("this browser cannot decompress a z= link; ask for a scene= one");
      return utf8(await streamed(codeToBytes(code), new DecompressionStream("deflate-raw")));
    }
    if (form === "try=") {
      await routinesReady;
      if (!trySceneOf.has(code)) throw new Error("no routine is called " + code);
      return trySceneOf.get(code);
    }
    throw new Error("it needs scene=, z= or try= after the #");
  }

  // --- The editor's line numbers and marks ---

  let lineTotal = 1;

  // The scene's text, wherever it is shown.
  const sceneText = () => (held === null ? editor.value : held.text);
  // What scrolls the scene: the editor, or the viewer of a long scene.
  const scroller = () => (held === null ? editor : viewer);

  function countLines() {
    if (held !== null) {
      lineTotal = held.starts.length;
      return;
    }
    let count = 1;
    for (let at = editor.value.indexOf("\n"); at >= 0; at = editor.value.indexOf("\n", at + 1))
      ++count;
    lineTotal = count;
  }

  let markedLines = []; // [{line, kind}]

  // The numbers of the lines in view only, moved with the text: a scene may
  // have tens of thousands of lines, and the text's own scrolling (its
  // horizontal scrollbar included) decides where they go.
  function drawGutter() {
    const top = scroller().scrollTop;
    const first = Math.floor(top / LINE_HEIGHT);
    const last = Math.min(lineTotal, first + Math.ceil(scroller().clientHeight / LINE_HEIGHT) + 1);
    const kinds = new Map(markedLines.map((mark) => [mark.line, mark.kind]));
    const numbers = document.createDocumentFragment();
    let text = "";
    for (let line = first + 1; line <= last; ++line) {
      if (!kinds.has(line)) {
        text += line + "\n";
        continue;
      }
      numbers.append(text);
      text = "\n";
      const number = document.createElement("span");
      number.className = kinds.get(line);
      number.textContent = String(line);
      numbers.append(number);
    }
    numbers.append(text);
    gutterLines.replaceChildren(numbers);
    gutterLines.style.transform = "translateY(" + (first * LINE_HEIGHT - top) + "px)";
    gutter.style.width = Math.max(3, String(lineTotal).length) + 2 + "ch";
    for (const band of marks.children) band.style.transform = "translateY(" + -top + "px)";
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

  function markLines(list) {
    markedLines = list.filter((mark) => mark.line > 0);
    drawMarks();
  }

  function scrollToLine(line) {
    const top = (line - 1) * LINE_HEIGHT;
    const box = scroller();
    if (top < box.scrollTop || top + LINE_HEIGHT > box.scrollTop + box.clientHeight)
      box.scrollTop = Math.max(0, top - box.clientHeight / 2);
    drawGutter();
  }

  // --- The viewer of a long scene: the lines and columns in view only ---

  let columnWidth = 0; // px of one character of the editor's font

  function viewScene(text) {
    const starts = [0];
    let longest = 0;
    for (let at = text.indexOf("\n"); at >= 0; at = text.indexOf("\n", at + 1)) {
      longest = Math.max(longest, at - starts[starts.length - 1]);
      starts.push(at + 1);
    }
    longest = Math.max(longest, text.length - starts[starts.length - 1]);
    held = { text, starts };
    editor.value = "";
    editor.hidden = true;
    viewer.hidden = false;
    $("viewer-note").hidden = false;
    const lines = starts.length - (text.endsWith("\n") ? 1 : 0);
    $("viewer-size").textContent = plural(lines, "line") + ", " +
      plural(text.length, "character");
    if (columnWidth === 0) {
      const probe = document.createElement("span");
      probe.textContent = "0".repeat(100);
      viewerLines.replaceChildren(probe);
      columnWidth = probe.getBoundingClientRect().width / 100 || 8;
    }
    // Tabs widen a line by up to 7 columns each; the space allows for them.
    const tabs = text.includes("\t") ? 8 : 1;
    $("viewer-space").style.height = starts.length * LINE_HEIGHT + 4 + "px";
    $("viewer-space").style.width = Math.ceil(longest * tabs * columnWidth) + 12 + "px";
    viewer.scrollTop = 0;
    viewer.scrollLeft = 0;
    drawViewer();
  }

  function viewedLine(line) {
    const { text, starts } = held;
    const end = line + 1 < starts.length ? starts[line + 1] - 1 : text.length;
    const shown = text.slice(starts[line], end).replace(/\r$/, "");
    if (!shown.includes("\t")) return shown;
    let column = 0;
    return shown.replace(/[^\t]*\t/g, (piece) => {
      const before = piece.length - 1;
      const spaces = 8 - ((column + before) % 8);
      column += before + spaces;
      return piece.slice(0, before) + " ".repeat(spaces);
    });
  }

  function drawViewer() {
    if (held === null) return;
    const first = Math.floor(viewer.scrollTop / LINE_HEIGHT);
    const last = Math.min(held.starts.length, first + Math.ceil(viewer.clientHeight / LINE_HEIGHT) + 1);
    const firstColumn = Math.max(0, Math.floor(viewer.scrollLeft / columnWidth) - 8);
    const columns = Math.ceil(viewer.clientWidth / columnWidth) + 16;
    let text = "";
    for (let line = first; line < last; ++line)
      text += viewedLine(line).slice(firstColumn, firstColumn + columns) + "\n";
    viewerLines.textContent = text;
    viewerLines.style.transform =
      "translate(" + firstColumn * columnWidth + "px, " + first * LINE_HEIGHT + "px)";
  }

  // Moves a long scene into the editor, which lays all of it out at once.
  function editScene() {
    if (held === null) return;
    const { scrollTop, scrollLeft } = viewer;
    editor.value = held.text;
    held = null;
    viewer.hidden = true;
    viewerLines.textContent = "";
    $("viewer-note").hidden = true;
    editor.hidden = false;
    editor.scrollTop = scrollTop;
    editor.scrollLeft = scrollLeft;
    countLines();
    drawGutter();
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

  // The line a message names: "NAME:LINE: ...".
  function errorLine(message) {
    if (!message.startsWith(SCENE_NAME + ":")) return 0;
    const found = /^(\d+):/.exec(message.slice(SCENE_NAME.length + 1));
    return found ? Number(found[1]) : 0;
  }

  function setStepButtons() {
    const count = shown ? shown.heads.length : 0;
    $("step-first").disabled = count === 0 || step === 0;
    $("step-back").disabled = count === 0 || step <= 0;
    $("step-next").disabled = count === 0 || step === count - 1;
    $("step-last").disabled = count === 0 || step === count - 1;
    $("step-all").disabled = count === 0 || step === -1;
  }

  const plural = (count, word) => count.toLocaleString("en") + " " + word + (count === 1 ? "" : "s");

  // The report of one step, from the run's buffer of them all.
  function reportOf(answer, number) {
    const start = number === 0 ? 0 : answer.reportEnds[number - 1];
    return new TextDecoder().decode(answer.reportBytes.subarray(start, answer.reportEnds[number]));
  }

  // A step of the report: its first line, and its other lines once it is
  // opened (clicking the first line opens and closes it).
  function reportPart(answer, number, open) {
    const part = document.createElement("div");
    part.className = "step";
    part.dataset.step = String(number);
    const head = answer.heads[number];
    if (head.startsWith("\n")) part.append("\n");
    const line = document.createElement("span");
    line.className = "head";
    line.textContent = head.replace(/^\n/, "");
    const rest = answer.lineCounts[number] - 1;
    if (rest > 0) {
      line.tabIndex = 0;
      line.setAttribute("role", "button");
      line.dataset.more = " (" + plural(rest, "more line") + ")";
    }
    part.appendChild(line);
    if (open) openPart(part);
    return part;
  }

  function openPart(part) {
    part.classList.add("open");
    if (part.querySelector(".body")) return;
    const number = Number(part.dataset.step);
    const piece = reportOf(shown, number);
    const body = document.createElement("span");
    body.className = "body";
    for (const lines of chunksOfLines(piece.slice(shown.heads[number].length), CHUNK_LINES)) {
      const chunk = document.createElement("span");
      chunk.textContent = lines;
      body.appendChild(chunk);
    }
    part.appendChild(body);
  }

  function showRun(answer) {
    if (answer.status !== 0) {
      showError(answer.error);
      const line = errorLine(answer.error);
      markLines([{ line, kind: "error-line" }]);
      if (line > 0) scrollToLine(line);
      // The last good result stays, marked as older than the text.
      $("stale").hidden = shown === null;
      $("result-pane").classList.toggle("stale", shown !== null);
      status.textContent = "not run: the scene has an error";
      return;
    }
    shown = answer;
    step = -1;
    $("stale").hidden = true;
    $("result-pane").classList.remove("stale");
    showError("");
    markLines([]);
    const total = answer.lineCounts.reduce((sum, count) => sum + count, 0);
    const open = total <= OPEN_REPORT_LINES;
    report.classList.toggle("folded", !open);
    report.replaceChildren(...answer.heads.map((head, number) => reportPart(answer, number, open)));
    view = { ...answer.window };
    showWhole(answer.picture, answer.pictureError);
    const calls = answer.heads.length - 1;
    const engineMs = answer.milliseconds;
    status.textContent = "ran " + plural(calls, "call") + "...";
    // The time until the result is on the screen: the frame after this one.
    requestAnimationFrame(() =>
      setTimeout(() => {
        if (shown !== answer) return;
        const total = performance.now() - runStarted;
        status.textContent = "ran " + plural(calls, "call") + " in " + total.toFixed(0) +
          " ms (the run " + engineMs.toFixed(0) + " ms, the display the rest)";
      })
    );
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

  // --- The picture's window on the order ---

  // As many positions as the picture's width shows legibly.
  function windowSize() {
    const width = picture.clientWidth || 800;
    return Math.max(8, Math.min(40, Math.floor((width - 110) / 40)));
  }

  function setWindowControls() {
    const total = shown ? shown.nodeCount : 0;
    const windowed = total > view.count;
    $("window").hidden = !windowed;
    if (!windowed) return;
    const last = Math.min(total, view.first + view.count);
    $("window-label").textContent = "positions " + (view.first + 1).toLocaleString("en") + " to " +
      last.toLocaleString("en") + " of " + total.toLocaleString("en") + ", back to front";
    const slider = $("window-slider");
    slider.max = String(total - view.count);
    slider.value = String(view.first);
    $("window-back").disabled = $("window-earlier").disabled = view.first === 0;
    $("window-front").disabled = $("window-later").disabled = last === total;
  }

  function requestPicture() {
    setWindowControls();
    if (!shown) return;
    wantedPicture = { id: shown.id, step, first: view.first, count: view.count };
    engine.post({ kind: "picture", ...wantedPicture });
  }

  function moveWindow(first) {
    if (!shown) return;
    view.first = Math.max(0, Math.min(first, shown.nodeCount - view.count));
    requestPicture();
  }

  // Brings what step `number` touched into the window.
  function followTouched(number) {
    const touched = shown.touched[number];
    if (touched < 0 || (touched >= view.first && touched < view.first + view.count)) return;
    view.first = Math.max(0, Math.min(touched - Math.floor(view.count / 4),
                                      shown.nodeCount - view.count));
  }

  function showWhole(svgText, note) {
    step = -1;
    for (const part of report.querySelectorAll(".current")) part.classList.remove("current");
    const calls = shown.heads.length - 1;
    stepLabel.textContent = "whole run: " + plural(calls, "call");
    markLines([]);
    setStepButtons();
    if (svgText !== undefined) {
      setWindowControls();
      showPicture(svgText, note);
    } else {
      requestPicture();
    }
  }

  function showStep(number) {
    if (!shown) return;
    step = Math.max(0, Math.min(number, shown.heads.length - 1));
    for (const part of report.querySelectorAll(".current")) part.classList.remove("current");
    const current = report.children[step];
    current.classList.add("current");
    openPart(current);
    report.scrollTop = current.offsetTop - report.offsetTop;
    const calls = shown.heads.length - 1;
    stepLabel.textContent = step === 0 ? "before the first call" : "call " + step + " of " + calls;
    const line = shown.lines[step];
    markLines([{ line, kind: "call-line" }]);
    if (line > 0) scrollToLine(line);
    setStepButtons();
    followTouched(step);
    requestPicture();
  }

  // --- The engine ---

  function onAnswer(answer) {
    switch (answer.kind) {
      case "ready":
        fillRoutines(answer.menu);
        $("version").textContent = "Tier object " + answer.version;
        break;
      case "ran":
        if (answer.id !== awaitedRun) break;
        performance.mark("tier-answer");
        showRun(answer);
        performance.mark("tier-shown");
        break;
      case "picture": {
        const wanted = wantedPicture;
        if (!shown || !wanted || answer.id !== wanted.id || answer.step !== wanted.step ||
            answer.first !== wanted.first || answer.count !== wanted.count)
          break;
        showPicture(answer.picture, answer.picture ? "" : "no picture: " + answer.error);
        break;
      }
      case "failed":
        status.textContent = "the engine stopped";
        showError("The run stopped: " + answer.error);
        break;
    }
  }

  function engineCode() {
    return $("engine").textContent + "\n;\n" + $("worker").textContent;
  }

  // The worker starts from these few words, and the engine follows as its
  // first message. Making a blob: address on the page would take time that
  // grows faster than the page's own address, which holds the whole scene: a
  // second for a scene of 800 kB. In the worker it costs nothing.
  const WORKER_BOOT =
    "onmessage = (event) => { onmessage = null; importScripts(URL.createObjectURL(" +
    "new Blob([event.data], { type: 'text/javascript' }))); };";

  // The engine in a worker; messages sent before it answers are kept, so
  // that the page can hand them on if the browser refuses the worker.
  function startWorker() {
    const waiting = [];
    let ready = false;
    const worker = new Worker("data:text/javascript," + encodeURIComponent(WORKER_BOOT));
    worker.postMessage(engineCode());
    worker.onmessage = (event) => {
      if (event.data.kind === "ready") ready = true;
      onAnswer(event.data);
    };
    worker.onerror = (event) => {
      if (ready) {
        status.textContent = "the engine stopped";
        showError("The engine stopped: " + (event.message || "unknown reason"));
        return;
      }
      event.preventDefault();
      worker.terminate();
      startOnPage("this browser refused to start a worker for it", waiting);
    };
    engine = {
      post(message) {
        if (!ready) waiting.push(message);
        worker.postMessage(message);
      },
    };
  }

  // The engine on the page itself: a run makes its calls a slice at a time,
  // so that the page keeps answering between them.
  function startOnPage(why, waiting) {
    $("engine-place").textContent = "The scene runs on the page itself, a slice at a time (" +
      why + "): a large scene takes longer than with a worker, and the page stays usable.";
    const queue = [...waiting];
    let core = null;
    const slice = () => new Promise((resolve) => setTimeout(resolve, 0));
    async function serve(message) {
      if (message.kind !== "run") return onAnswer(core.handle(message));
      const started = performance.now();
      const result = core.begin(message);
      if (result === 0) while (!core.advance(SLICE_MS)) await slice();
      if (message.id === awaitedRun) onAnswer(core.finished(message, result, started));
    }
    let serving = Promise.resolve();
    engine = {
      post(message) {
        if (core === null) return queue.push(message);
        serving = serving.then(() => serve(message)).catch((failure) =>
          onAnswer({ kind: "failed", id: message.id, error: String(failure) }));
      },
    };
    // Inline, so that no blob: address is made (see WORKER_BOOT); it runs on appending.
    const script = document.createElement("script");
    script.textContent = engineCode();
    document.head.appendChild(script);
    TierCore.start().then(() => {
      core = TierCore;
      onAnswer({ kind: "ready", menu: core.routineMenu(), version: core.version() });
      for (const message of queue.splice(0)) engine.post(message);
    });
  }

  function startEngine() {
    if (new URLSearchParams(location.search).has("main-thread"))
      return startOnPage("as the address asks", []);
    try {
      startWorker();
    } catch (failure) {
      startOnPage("this browser refused to start a worker for it", []);
    }
  }

  function run() {
    awaitedRun = nextId++;
    runStarted = performance.now();
    status.textContent = "running...";
    engine.post({
      kind: "run", id: awaitedRun, text: sceneText(), name: SCENE_NAME,
      window: { count: windowSize() },
    });
  }

  // --- Menus: the example scenes and the routines ---

  // Replacing edits that no link holds needs the author's word.
  function mayReplace(what) {
    return !edited || confirm("Replace your edited scene with " + what + "? Your edits are " +
                              "lost; Share gives a link that keeps them.");
  }

  function fillExamples() {
    const examples = JSON.parse($("example-scenes").textContent);
    for (const example of examples) {
      const option = document.createElement("option");
      option.value = example.name;
      option.textContent = example.name.replace(/\.scene$/, "");
      option.dataset.text = example.text;
      examplesMenu.appendChild(option);
    }
    examplesMenu.addEventListener("change", () => {
      const option = examplesMenu.selectedOptions[0];
      if (!option || option.value === "") return;
      if (!mayReplace("the example " + option.textContent)) {
        examplesMenu.value = "";
        return;
      }
      history.replaceState(null, "", location.pathname + location.search);
      setScene(option.dataset.text);
      examplesMenu.value = option.value;
      run();
    });
    return examples;
  }

  let routinesArrived;
  const routinesReady = new Promise((resolve) => (routinesArrived = resolve));

  function fillRoutines(menuRows) {
    const menu = $("routines");
    menu.replaceChildren(menu.options[0]);
    const groups = new Map();
    for (const row of menuRows) {
      if (!groups.has(row.kind)) {
        const group = document.createElement("optgroup");
        group.label = row.kind.charAt(0).toUpperCase() + row.kind.slice(1) + "s";
        groups.set(row.kind, group);
        menu.appendChild(group);
      }
      trySceneOf.set(row.kind + "-" + row.code, row.scene);
      const option = document.createElement("option");
      option.value = row.call;
      option.textContent = row.display + (row.form ? " (" + row.form + ")" : "");
      option.title = row.summary;
      groups.get(row.kind).appendChild(option);
    }
    routinesArrived();
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
    editScene();
    const text = editor.value;
    const lineEnd = text.indexOf("\n", editor.selectionEnd);
    const at = lineEnd < 0 ? text.length : lineEnd;
    const line = adaptCall(call);
    const inserted = lineEnd < 0 ? (text === "" || text.endsWith("\n") ? "" : "\n") + line + "\n"
                                 : "\n" + line;
    editor.setRangeText(inserted, at, at, "end");
    if (lineEnd < 0) editor.setSelectionRange(at + inserted.length - 1, at + inserted.length - 1);
    editor.focus();
    onEdit();
  }

  function setScene(text) {
    if (text.length > VIEWER_CHARACTERS) {
      viewScene(text);
    } else {
      editScene();
      editor.value = text;
      editor.scrollTop = 0;
    }
    edited = false;
    examplesMenu.options[0].textContent = "(choose a scene)";
    countLines();
    markLines([]);
  }

  // The scene follows the typing into the address (a moment after it stops),
  // so that reloading the page keeps it; a very long one only on Share.
  const ADDRESS_CHARACTERS = 65536;
  const ADDRESS_DELAY_MS = 800;
  let addressTimer = 0;

  function keepInAddress() {
    clearTimeout(addressTimer);
    if (editor.value.length > ADDRESS_CHARACTERS) return;
    addressTimer = setTimeout(async () => {
      const text = editor.value;
      const fragment = await fragmentOf(text);
      if (editor.value === text) history.replaceState(null, "", "#" + fragment);
    }, ADDRESS_DELAY_MS);
  }

  function onEdit() {
    keepInAddress();
    if (!edited) {
      edited = true;
      examplesMenu.value = "";
      examplesMenu.options[0].textContent = "(your edited scene)";
    }
    countLines();
    if (markedLines.length > 0) markLines([]);
    else drawGutter();
  }

  // --- The address, sharing and opening ---

  // Opening a long scene is a few pieces of work in tasks of their own, so
  // that the page answers between them.
  const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

  async function openScene(fragment, where) {
    let text;
    try {
      await nextTask();
      text = await sceneOfFragment(fragment);
    } catch (failure) {
      showError(where + " holds no scene: after #scene= it needs the scene's text in " +
                "base64url, after #z= its compression (" + failure.message + ").");
      return;
    }
    await nextTask();
    examplesMenu.value = "";
    setScene(text);
    await nextTask();
    run();
  }

  function loadFromAddress() {
    if (location.hash.length <= 1) return false;
    if (!mayReplace("the scene in the address")) return true;
    openScene(location.hash, "The address");
    return true;
  }

  async function share() {
    const fragment = await fragmentOf(sceneText());
    history.replaceState(null, "", "#" + fragment);
    edited = false;
    $("link-text").value = location.href;
    $("fragment-text").value = "#" + fragment;
    $("open-box").hidden = true;
    $("share-box").hidden = false;
    $("link-text").select();
  }

  function copy(id) {
    const box = $(id);
    box.select();
    if (navigator.clipboard) navigator.clipboard.writeText(box.value).catch(() => {});
    status.textContent = id === "link-text" ? "link copied" : "the part after # copied";
  }

  function openShared() {
    const given = $("open-text").value;
    if (given.trim() === "" || !mayReplace("the shared scene")) return;
    $("open-box").hidden = true;
    openScene(given, "What was pasted");
  }

  // --- Start ---

  editor.addEventListener("input", onEdit);
  editor.addEventListener("scroll", drawGutter);
  new ResizeObserver(drawGutter).observe(editor);
  viewer.addEventListener("scroll", () => {
    drawViewer();
    drawGutter();
  });
  new ResizeObserver(() => {
    drawViewer();
    drawGutter();
  }).observe(viewer);
  $("edit-scene").addEventListener("click", () => {
    status.textContent = "laying out the scene...";
    // A frame first, so that the status shows while the text is laid out.
    requestAnimationFrame(() => setTimeout(() => {
      editScene();
      status.textContent = "";
      editor.focus();
    }));
  });
  for (const box of [editor, viewer]) {
    box.addEventListener("keydown", (event) => {
      if (event.key === "Enter" && (event.ctrlKey || event.metaKey)) {
        event.preventDefault();
        run();
      }
    });
  }
  report.addEventListener("click", (event) => {
    const head = event.target.closest(".head[role=button]");
    if (!head) return;
    const part = head.parentElement;
    if (part.classList.contains("open")) part.classList.remove("open");
    else openPart(part);
  });
  report.addEventListener("keydown", (event) => {
    if ((event.key === "Enter" || event.key === " ") && event.target.matches(".head[role=button]")) {
      event.preventDefault();
      event.target.click();
    }
  });
  $("routines").addEventListener("change", () => {
    const menu = $("routines");
    if (menu.value !== "") insertCall(menu.value);
    menu.value = "";
  });
  $("run").addEventListener("click", run);
  $("link").addEventListener("click", share);
  $("copy-link").addEventListener("click", () => copy("link-text"));
  $("copy-fragment").addEventListener("click", () => copy("fragment-text"));
  $("open").addEventListener("click", () => {
    $("share-box").hidden = true;
    $("open-box").hidden = !$("open-box").hidden;
    $("open-text").focus();
  });
  $("open-go").addEventListener("click", openShared);
  $("open-text").addEventListener("keydown", (event) => {
    if (event.key === "Enter") openShared();
  });
  $("help").addEventListener("click", () => {
    const text = $("help-text");
    if (text.textContent === "") text.textContent = $("help-source").textContent;
    $("help-box").showModal();
  });
  $("step-first").addEventListener("click", () => showStep(0));
  $("step-back").addEventListener("click", () => showStep(step <= 0 ? 0 : step - 1));
  $("step-next").addEventListener("click", () => showStep(step + 1));
  $("step-last").addEventListener("click", () => showStep(shown.heads.length - 1));
  $("step-all").addEventListener("click", () => showWhole());
  $("window-back").addEventListener("click", () => moveWindow(0));
  $("window-earlier").addEventListener("click", () => moveWindow(view.first - view.count));
  $("window-later").addEventListener("click", () => moveWindow(view.first + view.count));
  $("window-front").addEventListener("click", () => moveWindow(Infinity));
  $("window-slider").addEventListener("input", () => moveWindow(Number($("window-slider").value)));
  window.addEventListener("hashchange", loadFromAddress);

  startEngine();
  const examples = fillExamples();
  setStepButtons();
  if (!loadFromAddress()) {
    const tour = examples.find((example) => example.name === "tour.scene") || examples[0];
    if (tour) {
      examplesMenu.value = tour.name;
      setScene(tour.text);
      run();
    }
  }
})();
