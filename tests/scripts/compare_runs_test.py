#!/usr/bin/env python3
"""scripts/compare_runs.py, which decides whether the Windows runs under Wine agree with the
Linux runs: it must let through what the two math libraries legitimately leave different,
and nothing else."""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                      "compare_runs.py")


def state(pos, axes_z=(0.0, 0.0, 1.0), clearance=-0.25, parent=None):
    return ('{"step":3,"t":0.03,"kind":"State","vessel":"lander","pos":[%r,%r,%r],'
            '"axes":{"z":[%r,%r,%r]},"clearance":%r,"parent":%s}'
            % (*pos, *axes_z, clearance, "null" if parent is None else '"%s"' % parent))


KEY = '{"step":5,"t":0.05,"kind":"Keystroke","vk":87,"key":"W","transition":"%s","flags":%d}'
FORCE = '{"step":1,"t":0.02,"kind":"AddForce","vessel":"buggy","F":[%r,%r,%r],"r":[0,0,0]}'
BOX = '{"step":0,"t":0,"kind":"MessageBox","text":"%s","caption":"Error!","owner":false,"type":0}'
POS = (1737401.25, 0.5, -3.0)


class CompareRunsTest(unittest.TestCase):
    def run_compare(self, expected, actual, suffix=".jsonl"):
        with tempfile.TemporaryDirectory() as tmp:
            paths = []
            for name, lines in (("linux", expected), ("windows", actual)):
                path = os.path.join(tmp, name + suffix)
                with open(path, "w", newline="") as f:
                    f.write("".join(line + "\n" for line in lines))
                paths.append(path)
            result = subprocess.run([sys.executable, SCRIPT, *paths], capture_output=True,
                                    text=True)
            return result.returncode, result.stdout

    def assertAgree(self, expected, actual, suffix=".jsonl"):
        status, out = self.run_compare(expected, actual, suffix)
        self.assertEqual(status, 0, out)
        return out

    def assertDiffer(self, expected, actual, suffix=".jsonl"):
        status, out = self.run_compare(expected, actual, suffix)
        self.assertEqual(status, 1, out)
        return out

    def test_identical_logs_agree_with_no_difference(self):
        log = [BOX % "Dorvak module Not Found!", state(POS), KEY % ("down", 1)]
        self.assertIn("3 records agree; largest relative difference 0", self.assertAgree(log, log))

    def test_numbers_within_the_relative_tolerance_agree_and_the_largest_is_reported(self):
        moved = (POS[0] * (1 + 4e-10), POS[1], POS[2])
        out = self.assertAgree([state(POS)], [state(moved)])
        self.assertIn("record 1.pos[0]", out)

    def test_a_number_beyond_the_tolerance_is_a_difference(self):
        self.assertIn("clearance", self.assertDiffer([state(POS)], [state(POS, clearance=-0.25001)]))
        # A height is worked out from global coordinates millions of metres out: their
        # round-off, a fraction of a nanometre, is no difference, a hundredth of a millimetre is.
        self.assertAgree([state(POS, clearance=0.0)], [state(POS, clearance=2.3283064365386963e-10)])

    def test_round_off_of_zero_in_a_unit_vector_is_measured_against_the_vector(self):
        # cos(pi/2) from glibc and from the MinGW-w64 runtime.
        linux = state(POS, axes_z=(0.0, 6.123233995736766e-17, 1.0))
        windows = state(POS, axes_z=(0.0, 6.123031769111886e-17, 1.0))
        self.assertAgree([linux], [windows])

    def test_a_plain_number_is_measured_against_itself(self):
        self.assertDiffer([state(POS, clearance=6.1e-5)], [state(POS, clearance=6.2e-5)])

    def test_a_force_that_is_all_round_off_is_measured_against_the_smallest_scale(self):
        self.assertAgree([FORCE % (-1.5238384659540029e-30, 0.0, 0.0)],
                         [FORCE % (-1.5237876845980473e-30, 0.0, 0.0)])
        self.assertDiffer([FORCE % (1e-11, 0.0, 0.0)], [FORCE % (2e-11, 0.0, 0.0)])

    def test_whole_doubles_written_without_a_point_compare_as_numbers(self):
        linux = '{"kind":"AddForce","F":[2,0,1298.5]}'
        windows = '{"kind":"AddForce","F":[2.0000000000000004,0,1298.5]}'
        self.assertAgree([linux], [windows])

    def test_flag_words_and_key_codes_must_be_equal(self):
        self.assertDiffer([KEY % ("repeat", 1073741825)], [KEY % ("repeat", 1073741824)])

    def test_texts_names_and_missing_values_must_be_equal(self):
        self.assertDiffer([BOX % "Dorvak module Not Found!"], [BOX % "Dorvak module error"])
        self.assertDiffer([state(POS, parent="surface")], [state(POS)])

    def test_records_missing_added_or_reordered_are_differences(self):
        a, b = state(POS), KEY % ("down", 1)
        self.assertIn("2 records != 1", self.assertDiffer([a, b], [a]))
        self.assertDiffer([a, b], [b, a])
        self.assertDiffer([a], [a.replace('"clearance":-0.25,', "")])

    def test_trace_columns_form_vectors_and_angles_count_against_a_full_turn(self):
        header = "step,t_s,vessel,x_m,y_m,z_m,vx_mps,vy_mps,vz_mps,lon_deg,clearance_m"
        linux = [header, "100,1,crew,1737400,1e-10,0,0,0,0,8.565243437302384e-19,0.5"]
        windows = [header, "100,1.0,crew,1737400.0,1.0001e-10,0,0,0,0,8.565273058526129e-19,0.5"]
        self.assertAgree(linux, windows, ".csv")
        changed = [header, "100,1,crew,1737400,1e-10,0,0,0,0,8.6e-19,0.50001"]
        self.assertIn("clearance_m", self.assertDiffer(linux, changed, ".csv"))


if __name__ == "__main__":
    unittest.main()
