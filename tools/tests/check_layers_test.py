#!/usr/bin/env python3
"""The layer check finds an include that goes upward, and only that:
    check_layers_test.py TOOLS_DIR"""
import os
import subprocess
import sys
import tempfile
import unittest

CHECKER = os.path.join(sys.argv.pop(1) if len(sys.argv) > 1 else ".", "check_layers.py")

TABLE = """# Contributing
| Folder | Includes, besides itself |
| --- | --- |
| `support/` | nothing of ours |
| `host/` | nothing of ours |
| `frame/` | `host/` |
| `model/` | `plugin/catalogue.h` |
| `plugin/` | `frame/` |
| `app/` | `plugin/` `model/` |
"""


def check(files):
    """Lays `files` (path: text) out beside the table and runs the checker."""
    with tempfile.TemporaryDirectory() as root:
        for path, text in {"docs/contributing.md": TABLE, **files}.items():
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                f.write(text)
        run = subprocess.run([sys.executable, CHECKER, root], capture_output=True, text=True)
        return run.returncode, run.stdout


class Layers(unittest.TestCase):
    def test_includes_downward_through_every_layer_pass(self):
        status, out = check({
            "app/main.cpp": '#include "app/main.h"\n#include "host/records.h"\n'
                            '#include <vector>\n#include "gtest/gtest.h"\n',
            "model/model.cpp": '#include "plugin/catalogue.h"\n',
            "plugin/tests/plugin_test.cpp": '#include "app/main.h"\n',
        })
        self.assertEqual((status, out), (0, ""))

    def test_an_upward_include_is_named_with_its_line(self):
        status, out = check({
            "frame/frame.cpp": '#include "frame/frame.h"\n\n#  include "plugin/catalogue.h"\n',
            "model/model.cpp": '#include "plugin/routines.h"\n',
            "support/hex.h": '#include "tests/harness.h"\n',
        })
        self.assertEqual(status, 1)
        self.assertIn("frame/frame.cpp:3: includes plugin/catalogue.h, which does not lie below "
                      "frame/ (it may include frame/, host/)", out)
        self.assertIn("model/model.cpp:1: includes plugin/routines.h", out)
        self.assertIn("support/hex.h:1: includes tests/harness.h", out)

    def test_a_folder_without_a_row_is_named(self):
        status, out = check({"newer/thing.cpp": '#include "host/records.h"\n'})
        self.assertEqual(status, 1)
        self.assertIn("newer/thing.cpp: the folder newer/ has no row", out)


if __name__ == "__main__":
    unittest.main()
