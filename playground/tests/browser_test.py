#!/usr/bin/env python3
"""The playground page in headless Chromium, opened from file://.

    browser_test.py CASE PAGE SOURCE_DIR

CASE is one of
  Address     a scene in the address: the report is the kept one, the picture
              an <svg>, both at once on opening
  Interface   an example from the menu, a line edited, Run, stepping to the
              last call: the report follows the edit, the step marks its call
  SceneError  a malformed scene: the message, the line marked; after a good
              run, the last result stays, marked as stale
  Large       5,000 objects: the report folded, a step's picture a legible
              window of the order that the window buttons move along
  Sharing     a long scene shared compressed (#z=) and opened from the part
              after # pasted back; a routine's "try=" link; edits kept unless
              the author agrees to replace them
  MainThread  the engine on the page itself (as where workers are refused):
              the tour's report, a step's picture

Exits 77 (skipped) where Chromium, its driver or Selenium is missing.
"""
import base64
import html
import os
import pathlib
import re
import shutil
import sys
import tempfile
import zlib
from xml.etree import ElementTree

SKIP = 77
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
DRIVER = shutil.which("chromedriver")
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    webdriver = None

TIMEOUT = 20  # seconds for a run to show


def page_address(page, scene_text=None, padded=False):
    address = pathlib.Path(page).resolve().as_uri()
    if scene_text is None:
        return address
    code = base64.urlsafe_b64encode(scene_text.encode("utf-8")).decode("ascii")
    return address + "#scene=" + (code if padded else code.rstrip("="))


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 "--disable-dev-shm-usage", "--window-size=1400,1000",
                 "--user-data-dir=" + profile):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def runs(driver):
    return int(driver.find_element(By.TAG_NAME, "body").get_attribute("data-runs") or 0)


def wait_for_runs(driver, count):
    WebDriverWait(driver, TIMEOUT).until(lambda d: runs(d) >= count)


def wait_for_error(driver):
    WebDriverWait(driver, TIMEOUT).until(
        lambda d: d.find_element(By.ID, "error").is_displayed())


def report_text(driver):
    # The report as the page holds it, HTML-unescaped.
    return html.unescape(driver.execute_script(
        "return document.getElementById('report').innerHTML.replace(/<[^>]*>/g, '');"))


class Failures:
    def __init__(self):
        self.messages = []

    def check(self, ok, message):
        if not ok:
            self.messages.append(message)


def case_address(driver, source, failures):
    scenes = pathlib.Path(source, "scenes")
    # With the padding of base64 and without.
    for name, padded in (("tour", False), ("conditions_objects", True)):
        text = scenes.joinpath(name + ".scene").read_text("utf-8")
        if padded:
            assert len(text.encode("utf-8")) % 3 != 0, "no padding to test"
        driver.get("about:blank")  # a new page: only the hash would change otherwise
        driver.get(page_address(PAGE, text, padded))
        wait_for_runs(driver, 1)
        expected = scenes.joinpath(name + ".expected").read_text("utf-8")
        failures.check(report_text(driver) == expected,
                       f"{name}: the report in the page is not the expected report")
        failures.check("on the page itself" not in driver.find_element(By.TAG_NAME, "footer").text,
                       f"{name}: the browser ran the engine on the page, not in a worker")
        svg = driver.find_elements(By.CSS_SELECTOR, "#picture svg")
        kept = pathlib.Path(source, "docs", "pictures", name + ".svg")
        failures.check(len(svg) == 1, f"{name}: no picture in #picture")
        if svg and kept.exists():
            # The picture drawn is the kept one: same size, same panels.
            text = kept.read_text("utf-8")
            width = text.split('width="', 1)[1].split('"', 1)[0]
            failures.check(svg[0].get_attribute("width") == width,
                           f"{name}: the picture is {svg[0].get_attribute('width')} wide, "
                           f"not {width}")
            drawn = driver.execute_script(
                "return Array.from(arguments[0].querySelectorAll('*'), e => e.tagName);", svg[0])
            kept_tags = [e.tag.split("}")[-1] for e in ElementTree.fromstring(text).iter()][1:]
            failures.check(drawn == kept_tags,
                           f"{name}: the picture's elements differ from docs/pictures/{name}.svg")
    # Not UTF-8 text in the address: a message, no run.
    driver.get(page_address(PAGE) + "#scene=__8")
    wait_for_error(driver)
    failures.check("no scene" in driver.find_element(By.ID, "error").text,
                   "a broken address gives no message")
    # Non-ASCII text survives the address both ways: the link button makes
    # the address that loads the same scene.
    scene = "# Bälle und Spieler\ntype Ball\nobject 0 Ball\norder 0\ncall \"Reverse all\"\n"
    driver.get(page_address(PAGE, scene))
    wait_for_runs(driver, 1)
    failures.check(driver.find_element(By.ID, "scene").get_attribute("value") == scene,
                   "a non-ASCII scene from the address is not the one in the editor")
    driver.find_element(By.ID, "link").click()
    link = driver.find_element(By.ID, "link-text").get_attribute("value")
    failures.check(link == page_address(PAGE, scene),
                   "the link button makes " + link)


def case_interface(driver, source, failures):
    driver.get(page_address(PAGE))
    wait_for_runs(driver, 1)  # the page runs the tour when opened without a scene
    Select(driver.find_element(By.ID, "examples")).select_by_value("steps.scene")
    wait_for_runs(driver, 2)
    example = pathlib.Path(source, "scenes", "steps.scene").read_text("utf-8")
    expected = pathlib.Path(source, "scenes", "steps.expected").read_text("utf-8")
    failures.check(report_text(driver) == expected, "the example's report is not its expected one")

    # Edit a line by typing: the count of 'call "Bring %0 Forward %1" fv(slot 2), 5'
    # becomes 1.
    editor = driver.find_element(By.ID, "scene")
    line = 'call "Bring %0 Forward %1" fv(slot 2), 5\n'
    end = example.index(line) + len(line) - 1
    driver.execute_script("arguments[0].focus(); arguments[0].setSelectionRange(arguments[1] - 1, "
                          "arguments[1]);", editor, end)
    editor.send_keys("1")
    example = example.replace(line, line.replace(", 5", ", 1"))
    failures.check(editor.get_attribute("value") == example, "typing did not edit the line")

    # Add a call from the routine menu at the end, then run.
    driver.execute_script(
        "const e = arguments[0]; e.focus(); e.setSelectionRange(e.value.length, e.value.length);",
        editor)
    Select(driver.find_element(By.ID, "routines")).select_by_visible_text("Reverse all")
    edited = editor.get_attribute("value")
    failures.check(edited.rstrip("\n").endswith('call "Reverse all"') and edited.startswith(example),
                   "the routine menu did not add its call at the end: ..." + edited[-60:])
    driver.find_element(By.ID, "run").click()
    wait_for_runs(driver, 3)
    report = report_text(driver)
    calls = report.count("\ncall ")
    failures.check(report != expected and '"Bring %0 Forward %1" (fv(slot 2) = 65538, 1)' in report
                   and f'call {calls}: action 8 "Reverse all" ()' in report,
                   "the report did not follow the edits")

    # Step to the last call: the label, the report's marked step, the
    # editor's marked line and a picture of that call.
    driver.find_element(By.ID, "step-last").click()
    label = driver.find_element(By.ID, "step-label").text
    failures.check(label == f"call {calls} of {calls}", "the step label says " + label)
    current = driver.find_elements(By.CSS_SELECTOR, "#report .current")
    failures.check(len(current) == 1 and current[0].text.startswith(f"call {calls}:"),
                   "the report does not mark the last call")
    last_line = len(edited.rstrip("\n").split("\n"))
    marked = driver.find_elements(By.CSS_SELECTOR, "#marks .call-line")
    failures.check(len(marked) == 1 and marked[0].get_attribute("data-line") == str(last_line),
                   f"the editor does not mark line {last_line} of the last call")
    WebDriverWait(driver, TIMEOUT).until(
        lambda d: f"call {calls}:" in d.find_element(By.ID, "picture").text)
    driver.find_element(By.ID, "step-back").click()
    failures.check(driver.find_element(By.ID, "step-label").text == f"call {calls - 1} of {calls}",
                   "stepping back does not show the call before")
    driver.find_element(By.ID, "step-all").click()
    failures.check(not driver.find_elements(By.CSS_SELECTOR, "#report .current"),
                   "the whole run still marks a step")


def case_scene_error(driver, source, failures):
    scene = pathlib.Path(source, "hostprog", "tests", "data", "malformed.scene").read_text("utf-8")
    driver.get(page_address(PAGE, scene))
    wait_for_error(driver)
    message = driver.find_element(By.ID, "error").text
    failures.check(message.startswith('playground.scene:4: unknown object type "Wall"'),
                   "the message is " + repr(message))
    marked = driver.find_elements(By.CSS_SELECTOR, "#marks .error-line")
    failures.check(len(marked) == 1 and marked[0].get_attribute("data-line") == "4",
                   "the editor does not mark line 4")
    failures.check(driver.find_elements(By.CSS_SELECTOR, "#gutter .error-line")[0].text == "4",
                   "the line numbers do not mark line 4")
    failures.check(report_text(driver) == "", "a malformed scene left a report")

    # After a good run, an error keeps the last result, marked as stale.
    tour = pathlib.Path(source, "scenes", "tour.scene").read_text("utf-8")
    driver.get(page_address(PAGE, tour))
    wait_for_runs(driver, 1)
    set_editor(driver, tour + "object 99 Nothing\n")
    driver.find_element(By.ID, "run").click()
    wait_for_error(driver)
    expected = pathlib.Path(source, "scenes", "tour.expected").read_text("utf-8")
    failures.check(report_text(driver) == expected, "an error cleared the last good report")
    failures.check(driver.find_element(By.ID, "stale").is_displayed() and
                   driver.find_elements(By.CSS_SELECTOR, "#result-pane.stale #picture svg"),
                   "the last good result is not marked as stale")


def set_editor(driver, text):
    """Replaces the editor's text as typing would, an input event after."""
    driver.execute_script("const e = document.getElementById('scene'); e.value = arguments[0];"
                          "e.dispatchEvent(new Event('input'));", text)


def big_scene(objects):
    lines = ["type Ball", "type Wall"]
    for slot in range(objects):
        lines.append(f"object {slot} {'Wall' if slot % 10 == 0 else 'Ball'} "
                     f"x {slot * 37 % 640} y {slot * 91 % 480} values {slot * 13 % 100}")
    lines.append("order " + " ".join(str(slot) for slot in range(objects)))
    lines += ['call "Increasing X Sort"', f'call "Send %0 Back %1" fv(slot {objects * 4 // 5}), 2']
    return "\n".join(lines) + "\n"


def picture_box(driver):
    return driver.execute_script(
        "const svg = document.querySelector('#picture svg');"
        "if (!svg) return null; const r = svg.getBoundingClientRect();"
        "return {width: r.width, height: r.height, text: svg.textContent};")


def case_large(driver, source, failures):
    scene = big_scene(5000)
    driver.get(page_address(PAGE, scene))
    wait_for_runs(driver, 1)
    # A long scene shows in the viewer, a screen at a time, and all of it is shared.
    failures.check(not driver.find_element(By.ID, "scene").is_displayed() and
                   "5,005 lines" in driver.find_element(By.ID, "viewer-note").text and
                   driver.find_element(By.ID, "viewer-lines").text.startswith("type Ball\ntype Wall"),
                   "a 5,000-object scene is not shown in the viewer")
    # Its line numbers stay beside its lines, scrolled to the end.
    tops = driver.execute_async_script(
        "const done = arguments[0]; const v = document.getElementById('viewer');"
        "v.scrollTop = v.scrollHeight; setTimeout(() => done(['viewer-lines', 'gutter-lines']"
        ".map((id) => document.getElementById(id).getBoundingClientRect().top)), 300);")
    failures.check(abs(tops[0] - tops[1]) < 1,
                   f"the viewer's lines are {tops[0] - tops[1]:.0f} px off their numbers")
    driver.find_element(By.ID, "link").click()
    WebDriverWait(driver, TIMEOUT).until(
        lambda d: d.find_element(By.ID, "fragment-text").get_attribute("value"))
    fragment = driver.find_element(By.ID, "fragment-text").get_attribute("value")
    packed = base64.urlsafe_b64decode(fragment[len("#z="):] + "==")
    failures.check(fragment.startswith("#z=") and zlib.decompress(packed, -15).decode() == scene,
                   "sharing a long scene from the viewer does not give all of it")
    driver.find_element(By.ID, "edit-scene").click()
    WebDriverWait(driver, TIMEOUT).until(lambda d: d.find_element(By.ID, "scene").is_displayed())
    failures.check(driver.find_element(By.ID, "scene").get_attribute("value") == scene and
                   not driver.find_element(By.ID, "viewer").is_displayed(),
                   "Edit it does not put the whole scene in the editor")
    # Ctrl+Enter in the viewer runs all of the scene; adding a call moves it into the editor.
    driver.get("about:blank")
    driver.get(page_address(PAGE, scene))
    wait_for_runs(driver, 1)
    viewer = driver.find_element(By.ID, "viewer")
    viewer.click()
    ActionChains(driver).key_down(Keys.CONTROL).send_keys(Keys.ENTER).key_up(Keys.CONTROL).perform()
    wait_for_runs(driver, 2)
    Select(driver.find_element(By.ID, "routines")).select_by_index(1)
    added = driver.find_element(By.ID, "scene").get_attribute("value")
    failures.check(added.startswith(scene) and added[len(scene):].startswith("call ") and
                   not viewer.is_displayed(), "adding a call to a long scene loses some of it")
    folded = driver.find_elements(By.CSS_SELECTOR, "#report .step:not(.open)")
    failures.check(len(folded) == 3 and not driver.find_elements(By.CSS_SELECTOR, "#report .body"),
                   "a 5,000-object report is not folded to the first lines of its steps")
    driver.find_element(By.ID, "step-last").click()  # call 2: sends slot 4000 back two
    WebDriverWait(driver, TIMEOUT).until(
        lambda d: "call 2:" in (picture_box(d) or {}).get("text", ""))
    box = picture_box(driver)
    label = driver.find_element(By.ID, "window-label").text
    failures.check(box["height"] >= 150 and box["width"] <= 2000,
                   f"the step's picture shows {box['width']:.0f} x {box['height']:.0f} px")
    failures.check("of 5,000" in label and "4000" in box["text"],
                   f"the window ({label}) does not hold slot 4000, which the call moved")
    current = driver.find_elements(By.CSS_SELECTOR, "#report .step.open.current .body")
    failures.check(len(current) == 1 and "4000" in current[0].get_attribute("textContent"),
                   "stepping does not open the call's lines in the report")
    driver.find_element(By.ID, "window-back").click()
    WebDriverWait(driver, TIMEOUT).until(
        lambda d: d.find_element(By.ID, "window-label").text.startswith("positions 1 to "))
    WebDriverWait(driver, TIMEOUT).until(
        lambda d: "[positions 1 to " in (picture_box(d) or {}).get("text", ""))


def case_sharing(driver, source, failures):
    scene = big_scene(300)
    driver.get(page_address(PAGE, scene))
    wait_for_runs(driver, 1)
    driver.find_element(By.ID, "link").click()
    WebDriverWait(driver, TIMEOUT).until(
        lambda d: d.find_element(By.ID, "fragment-text").get_attribute("value"))
    fragment = driver.find_element(By.ID, "fragment-text").get_attribute("value")
    plain = len(page_address(PAGE, scene).split("#", 1)[1])
    failures.check(fragment.startswith("#z=") and len(fragment) < plain / 3,
                   f"a long scene's link is not compressed: {fragment[:20]}... of "
                   f"{len(fragment)} characters, against {plain}")
    # The part after # pasted into another copy of the page opens the scene.
    driver.get(page_address(PAGE))
    wait_for_runs(driver, 1)
    driver.find_element(By.ID, "open").click()
    driver.find_element(By.ID, "open-text").send_keys(fragment[1:])
    driver.find_element(By.ID, "open-go").click()
    wait_for_runs(driver, 2)
    failures.check(driver.find_element(By.ID, "scene").get_attribute("value") == scene,
                   "the pasted part after # did not open the shared scene")
    # A routine's "Try it" line of REFERENCE.txt opens its example.
    reference = pathlib.Path(source, "docs", "REFERENCE.txt").read_text("utf-8")
    code = re.search(r"^Action (\d+): Reverse all\n", reference, re.M).group(1)
    driver.get(page_address(PAGE) + f"#try=action-{code}")
    wait_for_runs(driver, 1)
    failures.check(f'call 1: action {code} "Reverse all"' in report_text(driver),
                   f"#try=action-{code} opens no example of Reverse all")
    # Edits are replaced only when the author agrees.
    set_editor(driver, "# mine\n")
    failures.check(Select(driver.find_element(By.ID, "examples")).first_selected_option.text ==
                   "(your edited scene)", "the example menu still names an example")
    driver.execute_script("window.confirm = () => false;")
    Select(driver.find_element(By.ID, "examples")).select_by_value("steps.scene")
    failures.check(driver.find_element(By.ID, "scene").get_attribute("value") == "# mine\n",
                   "choosing an example replaced the edits that the author kept")
    driver.execute_script("window.confirm = () => true;")
    Select(driver.find_element(By.ID, "examples")).select_by_value("steps.scene")
    wait_for_runs(driver, 2)
    failures.check(driver.find_element(By.ID, "scene").get_attribute("value").startswith("#") and
                   driver.find_element(By.ID, "scene").get_attribute("value") != "# mine\n",
                   "agreeing did not load the example")


def case_main_thread(driver, source, failures):
    text = pathlib.Path(source, "scenes", "tour.scene").read_text("utf-8")
    address = page_address(PAGE, text).replace("#", "?main-thread#", 1)
    driver.get(address)
    wait_for_runs(driver, 1)
    expected = pathlib.Path(source, "scenes", "tour.expected").read_text("utf-8")
    failures.check(report_text(driver) == expected, "on the page itself, the tour's report differs")
    failures.check("on the page itself" in driver.find_element(By.TAG_NAME, "footer").text,
                   "the page does not say that it runs the scene itself")
    driver.find_element(By.ID, "step-last").click()
    WebDriverWait(driver, TIMEOUT).until(
        lambda d: "call 7:" in d.find_element(By.ID, "picture").text)


CASES = {"Address": case_address, "Interface": case_interface, "SceneError": case_scene_error,
         "Large": case_large, "Sharing": case_sharing, "MainThread": case_main_thread}

if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in CASES:
        sys.stderr.write(__doc__)
        sys.exit(2)
    case, PAGE, source = sys.argv[1:]
    if webdriver is None or CHROMIUM is None or DRIVER is None:
        print("skipped: headless Chromium needs chromium, chromium-driver and python3-selenium")
        sys.exit(SKIP)
    if not os.path.exists(PAGE):
        sys.exit(f"{PAGE}: the page is not built")
    failures = Failures()
    with tempfile.TemporaryDirectory(prefix="tier-chromium-") as profile:
        driver = browser(profile)
        try:
            CASES[case](driver, source, failures)
            errors = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
            failures.check(not errors, "the page logged errors: " + repr(errors))
        finally:
            driver.quit()
    for message in failures.messages:
        print("FAILED: " + message)
    print(f"{case}: " + ("passed" if not failures.messages else "failed"))
    sys.exit(1 if failures.messages else 0)
