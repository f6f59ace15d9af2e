#!/usr/bin/env python3
"""The link checker finds what a reader would trip over, and only that:
    check_links_test.py TOOLS_DIR"""
import os
import subprocess
import sys
import tempfile
import unittest

CHECKER = os.path.join(sys.argv.pop(1) if len(sys.argv) > 1 else ".", "check_links.py")


def check(files):
    """Lays `files` (path: text) out in a fresh folder and runs the checker on it."""
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                f.write(text)
        run = subprocess.run([sys.executable, CHECKER, root], capture_output=True, text=True)
        return run.returncode, run.stdout


class Links(unittest.TestCase):
    def test_links_that_hold_pass(self):
        status, out = check({
            "README.md": "# Tier\n[guide](docs/guide.md#running-one-test) [top](#tier)\n"
                         "![picture](docs/p.svg) [page](build/wasm/page.html#scene=AAA)\n"
                         "[web](https://example.org/x) [ref]: docs/guide.md\n",
            "docs/guide.md": "# Guide\n## Running one test\n[back](../README.md#tier)\n",
            "docs/p.svg": "<svg/>",
        })
        self.assertEqual(status, 0, out)

    def test_each_broken_link_is_named_with_its_line(self):
        status, out = check({
            "README.md": "# Tier\n\n[gone](docs/gone.md)\n[anchor](docs/guide.md#nowhere)\n"
                         "[up](../outside.md) [slash](/README.md)\n",
            "docs/guide.md": "# Guide\n",
        })
        self.assertEqual(status, 1)
        self.assertIn("README.md:3: docs/gone.md: no such file", out)
        self.assertIn("README.md:4: docs/guide.md#nowhere: no heading or anchor 'nowhere'", out)
        self.assertIn("../outside.md: leads out of the repository", out)
        self.assertIn("/README.md: an absolute path", out)

    def test_anchors_as_renderers_name_them(self):
        status, out = check({
            "a.md": "# Why? `tier` (now)\n## Same\n## Same\n<a id=\"kept\"></a>\n"
                    "[1](#why-tier-now) [2](#same-1) [3](#kept)\n[4](#same-2)\n",
        })
        self.assertEqual(status, 1)
        self.assertIn("a.md:6: #same-2", out)
        self.assertEqual(out.count(": no heading"), 1, out)

    def test_code_is_not_read_and_links_may_span_lines(self):
        status, out = check({
            "a.md": "`[x](missing.md)`\n```\n[y](missing.md)\n```\n    [z](fine.md)\n"
                    "[a link over\ntwo lines](missing-too.md)\n",
            "fine.md": "",
        })
        self.assertEqual(status, 1)
        self.assertIn("a.md:6: missing-too.md: no such file", out)
        self.assertNotIn("a.md:1", out)
        self.assertNotIn("a.md:3", out)


if __name__ == "__main__":
    unittest.main()
