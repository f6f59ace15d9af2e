#!/usr/bin/env python3
"""Figures of the playground page, measured in headless Chromium.

    measure_page.py PAGE HOST_PROGRAM [SCREENSHOT.png]
    measure_page.py --long-tasks PAGE [OBJECTS...]

Prints the page's size; the time from opening it (with scenes/tour.scene in
the address) to the first report, by the page's performance timing, median
of five openings; and the time of a scene of 20,000 objects in the page
against the native host program (HOST_PROGRAM SCENE > /dev/null), each the
median of three, as a ratio. With SCREENSHOT.png, also a screenshot of the
page stepped to the tour's fourth call.

With --long-tasks, the longest task of the page's main thread (the browser's
long-task timing, which sees tasks over 50 ms) for a scene of 5,000 and one of
20,000 objects (or OBJECTS) with 8 calls: on opening the page with the scene in
the address (as #scene= and as the #z= that Share makes), on Run, on a step to the first call (a sort) and on "Whole run".
"""
import base64
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "tests"))
import browser_test  # noqa: E402  (the same browser set-up as the tests)
from selenium.webdriver.common.by import By  # noqa: E402

OBJECTS = 20000


def big_scene(objects=OBJECTS, more_calls=False):
    lines = [f"# {objects:,} balls, sorted and moved", "type Ball", "type Wall"]
    for slot in range(objects):
        lines.append(f"object {slot} {'Wall' if slot % 10 == 0 else 'Ball'} creation 1 "
                     f"x {slot * 37 % 640} y {slot * 91 % 480} values {slot * 13 % 100}")
    for start in range(0, objects, 1000):
        lines.append("order " + ", ".join(str(s) for s in range(start, min(objects, start + 1000))))
    lines += [
        'call "Increasing X Sort"',
        'call "Bring %0 to Front" fv(slot 5)',
        'call "Decreasing Sort by %0 : non-alts default to %1" alt 0, 5',
        'call "Send %0 Back %1" fv(slot 7), 300',
        'call "Reverse all"',
        'call "tirGetNumLvls("',
    ]
    if more_calls:
        lines += ['call "Increasing Y Sort"', 'call "Bring %0 Forward %1" fv(slot 9), 50']
    return "\n".join(lines) + "\n"


def median_native(program, scene_path):
    times = []
    for _ in range(3):
        started = time.perf_counter()
        subprocess.run([program, scene_path], stdout=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - started)
    return statistics.median(times)


def main(page, program, screenshot=None):
    print(f"page size: {os.path.getsize(page):,} bytes")
    tour = pathlib.Path(os.path.dirname(os.path.abspath(__file__)), "..", "scenes", "tour.scene")
    with tempfile.TemporaryDirectory(prefix="tier-measure-") as folder:
        driver = browser_test.browser(os.path.join(folder, "profile"))
        try:
            first = []
            for _ in range(5):
                driver.get("about:blank")
                driver.get(browser_test.page_address(page, tour.read_text("utf-8")))
                browser_test.wait_for_runs(driver, 1)
                first.append(driver.execute_script(
                    "return performance.getEntriesByName('tier-first-report')[0].startTime;"))
            print(f"open to first report: {statistics.median(first):.0f} ms (median of five; "
                  f"{', '.join(f'{t:.0f}' for t in first)})")

            if screenshot:
                for _ in range(4):
                    driver.find_element(By.ID, "step-next").click()
                time.sleep(1)
                driver.save_screenshot(screenshot)
                print(f"screenshot: {screenshot}")

            scene = big_scene()
            scene_path = os.path.join(folder, "big.scene")
            with open(scene_path, "w", encoding="utf-8") as f:
                f.write(scene)
            native = median_native(program, scene_path)
            engine, shown = [], []
            editor = driver.find_element(By.ID, "scene")
            driver.execute_script("arguments[0].value = arguments[1];", editor, scene)
            for _ in range(3):
                runs = browser_test.runs(driver)
                started = driver.execute_script("return performance.now();")
                driver.find_element(By.ID, "run").click()
                browser_test.WebDriverWait(driver, 300).until(
                    lambda d: browser_test.runs(d) > runs)
                shown.append(driver.execute_script("return performance.now();") - started)
                # "ran 6 calls in T ms (the run R ms, the display the rest)"
                browser_test.WebDriverWait(driver, 60).until(
                    lambda d: "(the run " in d.find_element(By.ID, "status").text)
                status = driver.find_element(By.ID, "status").text
                engine.append(float(status.split("(the run ")[1].split(" ms")[0]))
            report = len(driver.find_element(By.ID, "report").get_attribute("textContent"))
            in_page = statistics.median(engine) / 1000
            print(f"{OBJECTS:,} objects, 6 calls, report {report:,} characters: native "
                  f"{native:.3f} s, the page's engine {in_page:.3f} s (ratio "
                  f"{in_page / native:.2f}), shown in the page after "
                  f"{statistics.median(shown) / 1000:.3f} s (ratio "
                  f"{statistics.median(shown) / 1000 / native:.2f})")
        finally:
            driver.quit()


# Gathers the durations of the page's long tasks from its first moment on.
LONG_TASKS = """
window.tierLongTasks = [];
new PerformanceObserver((list) => {
  for (const entry of list.getEntries()) window.tierLongTasks.push(entry.duration);
}).observe({ type: "longtask" });
"""


def longest_task(driver, action, done, settle=1.5):
    """The longest main-thread task from `action` until `done` holds and the
    page has been quiet for `settle` seconds; 0 when none passed 50 ms."""
    driver.execute_script("window.tierLongTasks = [];")
    action()
    browser_test.WebDriverWait(driver, 600, poll_frequency=0.2).until(done)
    time.sleep(settle)
    return max(driver.execute_script("return window.tierLongTasks;") or [0])


def long_tasks(page, counts):
    with tempfile.TemporaryDirectory(prefix="tier-measure-") as folder:
        driver = browser_test.browser(os.path.join(folder, "profile"))
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": LONG_TASKS})
        try:
            for objects, form in ((n, f) for n in counts for f in ("scene=", "z=")):
                scene = big_scene(objects, more_calls=True)
                address = browser_test.page_address(page, scene)
                if form == "z=":
                    # The link that Share makes of a long scene: its deflate-raw compression.
                    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
                    packed = packer.compress(scene.encode("utf-8")) + packer.flush()
                    code = base64.urlsafe_b64encode(packed).decode("ascii").rstrip("=")
                    address = address.split("#")[0] + "#z=" + code

                def picture_says(text):
                    # The call's picture, or the note that stands for one too large.
                    return lambda d: (text in d.find_element(By.ID, "picture").text or
                                      d.find_elements(By.CSS_SELECTOR, "#picture .note"))

                load = longest_task(driver, lambda: driver.get(address),
                                    lambda d: browser_test.runs(d) >= 1)
                runs = browser_test.runs(driver)
                run = longest_task(driver, lambda: driver.find_element(By.ID, "run").click(),
                                   lambda d: browser_test.runs(d) > runs)
                driver.find_element(By.ID, "step-first").click()
                time.sleep(2)
                step = longest_task(driver,
                                    lambda: driver.find_element(By.ID, "step-next").click(),
                                    picture_says("call 1:"))
                whole = longest_task(driver,
                                     lambda: driver.find_element(By.ID, "step-all").click(),
                                     picture_says("call 8:"))
                print(f"{objects:,} objects, 8 calls, #{form} address of {len(address):,} "
                      f"characters: longest main-thread task on load {load:.0f} ms, on Run {run:.0f} ms, on a step to a sort {step:.0f} ms, "
                      f"on Whole run {whole:.0f} ms", flush=True)
        finally:
            driver.quit()


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "--long-tasks":
        long_tasks(sys.argv[2], [int(n) for n in sys.argv[3:]] or [5000, 20000])
        sys.exit(0)
    if len(sys.argv) not in (3, 4):
        sys.stderr.write(__doc__)
        sys.exit(2)
    main(*sys.argv[1:])
