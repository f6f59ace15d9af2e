#!/usr/bin/env python3
"""tools/bench_before_after.py: --help prints its usage and builds nothing, and
the table pairs each routine's runs by name and shows the medians' ratio.
  bench_before_after_test.py TOOLS_DIR"""

import subprocess
import sys
import unittest
from pathlib import Path

TOOLS = Path(sys.argv.pop(1)).resolve()
sys.path.insert(0, str(TOOLS))
import bench_before_after as tool  # noqa: E402


class BenchBeforeAfter(unittest.TestCase):
    def test_help_prints_usage_and_builds_nothing(self):
        out = subprocess.run([sys.executable, str(TOOLS / "bench_before_after.py"), "--help"],
                             capture_output=True, text=True)
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertTrue(out.stdout.startswith("usage: tools/bench_before_after.py REF"))
        self.assertNotIn("+ cmake", out.stderr)

    def test_table_shows_medians_and_their_ratio(self):
        sort, ghost, model = ("tier/action/12/4000+4000", "tier/expression/0/250+250",
                              "model/action/12/4000+4000")
        reference = "reference/std::sort/8000"
        before = [{sort: 100.0, reference: 9.0, model: 1.0}, {sort: 900.0, reference: 9.0},
                  {sort: 110.0, reference: 9.0}]
        # The sort's one slow round is outvoted; a routine timed on one side
        # only, and the model's rows, are left out.
        after = [{sort: 50.0, ghost: 3.0, reference: 9.0, model: 1.0}, {sort: 55.0},
                 {sort: 52.0}]
        lines = tool.table(before, after, {("action", "12"): "Increasing X Sort"}).splitlines()
        self.assertEqual(lines[0], "| routine | objects | before (us) | after (us) | after/before |")
        self.assertEqual(lines[2:], [
            '| action 12 "Increasing X Sort" | 8,000 | 110 | 52.0 | 0.47 |',
            "| reference: std::sort of n records | 8,000 | 9.00 | 9.00 | 1.00 |",
        ])


if __name__ == "__main__":
    unittest.main()
