#!/usr/bin/env python3
"""Tests of tools/include_layers.py on small made-up trees."""
import io
import os
import sys
import tempfile
import unittest
from unittest import mock

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import include_layers  # noqa: E402


class Tree:
    """A made-up source tree: {path: [included path, ...]}."""

    def __init__(self, files):
        self.dir = tempfile.TemporaryDirectory()
        for path, includes in files.items():
            full = os.path.join(self.dir.name, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write("#pragma once\n" if path.endswith(".h") else "")
                for inc in includes:
                    f.write(f'#include "{inc}"\n')
                f.write("#include <vector>\n")

    def check(self, exceptions=()):
        return include_layers.check(self.dir.name, list(exceptions), out=io.StringIO())

    def close(self):
        self.dir.cleanup()


class IncludeLayersTest(unittest.TestCase):
    def run_tree(self, files, exceptions=()):
        tree = Tree(files)
        self.addCleanup(tree.close)
        return tree.check(exceptions)

    def test_downward_includes_pass(self):
        counts, failures = self.run_tree({
            "app/App_win.cpp": ["mainwindow/Main_win.h", "toolkit/Dialog_win.h", "shell/Model.h"],
            "mainwindow/Main_win.h": ["overlays/Tip_win.h"],
            "overlays/Tip_win.h": ["overlays/TipRules.h", "toolkit/Dialog_win.h"],
            "overlays/TipRules.h": ["shell/Model.h"],
            "shell/Model.h": ["device/Link.h"],
            "device/Link.h": [],
            "toolkit/Dialog_win.h": ["resources/resource.h"],
            "resources/resource.h": [],
        })
        self.assertEqual(failures, [])
        self.assertEqual(counts["up"], 0)
        self.assertEqual(counts["loops"], 0)
        self.assertEqual(counts["files"], 8)
        self.assertEqual(counts["includes"], 9)

    def test_include_up_the_layers_fails(self):
        counts, failures = self.run_tree({
            "overlays/Tip_win.cpp": ["mainwindow/Main_win.h"],
            "mainwindow/Main_win.h": [],
        })
        self.assertEqual(counts["up"], 1)
        self.assertEqual(len(failures), 1)
        self.assertIn("overlays/Tip_win.cpp -> mainwindow/Main_win.h", failures[0])

    def test_every_pair_of_layers_is_ordered(self):
        # Each layer may include the one below it and not the one above it.
        layers = include_layers.LAYERS
        for high, low in zip(layers, layers[1:]):
            with self.subTest(high=high, low=low):
                counts, failures = self.run_tree({
                    f"{high}/A_win.cpp": [f"{low}/B_win.h"],
                    f"{low}/B_win.h": [],
                })
                self.assertEqual(failures, [])
                counts, failures = self.run_tree({
                    f"{low}/B_win.cpp": [f"{high}/A_win.h"],
                    f"{high}/A_win.h": [],
                })
                self.assertEqual(counts["up"], 1)

    def test_portable_file_including_windows_half_fails(self):
        counts, failures = self.run_tree({
            "input/Rules.cpp": ["input/Hook_win.h"],
            "input/Hook_win.h": [],
        })
        self.assertEqual(counts["up"], 1)
        self.assertIn("portable", failures[0])

    def test_portable_file_including_toolkit_fails(self):
        counts, _ = self.run_tree({
            "shell/Model.cpp": ["toolkit/Handle_win.h"],
            "toolkit/Handle_win.h": [],
        })
        self.assertEqual(counts["up"], 1)

    def test_windows_half_may_include_portable_file_of_its_folder(self):
        counts, failures = self.run_tree({
            "input/Hook_win.cpp": ["input/Hook_win.h", "input/Rules.h"],
            "input/Hook_win.h": [],
            "input/Rules.h": [],
        })
        self.assertEqual(failures, [])

    def test_loop_between_units_through_their_sources(self):
        # The header of one and the source of the other: no header loop, but a loop between the units.
        counts, failures = self.run_tree({
            "mainwindow/Window_win.h": ["mainwindow/View_win.h"],
            "mainwindow/Window_win.cpp": ["mainwindow/Window_win.h"],
            "mainwindow/View_win.h": [],
            "mainwindow/View_win.cpp": ["mainwindow/View_win.h", "mainwindow/Window_win.h"],
        })
        self.assertEqual(counts["loops"], 1)
        self.assertEqual(counts["mutual"], 1)
        self.assertEqual(counts["up"], 0)
        self.assertEqual(len(failures), 1)
        self.assertIn("mainwindow/View_win <-> mainwindow/Window_win", failures[0])

    def test_longer_loop_is_one_loop(self):
        counts, failures = self.run_tree({
            "switcher/A_win.cpp": ["switcher/B_win.h"],
            "switcher/B_win.cpp": ["switcher/C_win.h"],
            "switcher/C_win.cpp": ["switcher/A_win.h"],
            "switcher/A_win.h": [], "switcher/B_win.h": [], "switcher/C_win.h": [],
            "switcher/D_win.cpp": ["switcher/A_win.h"], "switcher/D_win.h": [],
        })
        self.assertEqual(counts["loops"], 1)
        self.assertEqual(counts["mutual"], 0)
        self.assertEqual(len(failures), 1)
        self.assertIn("3 units", failures[0])
        self.assertNotIn("D_win", failures[0])

    def test_two_separate_loops(self):
        counts, _ = self.run_tree({
            "shell/A.h": ["shell/B.h"], "shell/B.h": ["shell/A.h"],
            "device/C.cpp": ["device/D.h"], "device/D.cpp": ["device/C.h"],
            "device/C.h": [], "device/D.h": [],
        })
        self.assertEqual(counts["loops"], 2)

    def test_exception_excuses_an_up_include(self):
        files = {"device/Link_win.cpp": ["shell/State.h"], "shell/State.h": []}
        counts, failures = self.run_tree(files, [("device/Link_win.cpp", "shell/State.h", "a reason")])
        self.assertEqual(failures, [])
        self.assertEqual(counts["up"], 1)
        self.assertEqual(counts["excepted"], 1)

    def test_exception_that_breaks_a_loop_excuses_it(self):
        files = {
            "overlays/A_win.cpp": ["overlays/B_win.h"], "overlays/B_win.cpp": ["overlays/A_win.h"],
            "overlays/A_win.h": [], "overlays/B_win.h": [],
        }
        _, failures = self.run_tree(files, [("overlays/B_win.cpp", "overlays/A_win.h", "a reason")])
        self.assertEqual(failures, [])

    def test_exception_that_does_not_break_the_loop_does_not_excuse_it(self):
        files = {
            "overlays/A_win.cpp": ["overlays/B_win.h"], "overlays/B_win.cpp": ["overlays/C_win.h"],
            "overlays/C_win.cpp": ["overlays/A_win.h", "overlays/B_win.h"],
            "overlays/A_win.h": [], "overlays/B_win.h": [], "overlays/C_win.h": [],
        }
        # B -> C -> B stays a loop with C -> A excepted.
        _, failures = self.run_tree(files, [("overlays/C_win.cpp", "overlays/A_win.h", "a reason")])
        self.assertTrue(any(f.startswith("loop") for f in failures), failures)

    def test_stale_exception_is_reported(self):
        _, failures = self.run_tree({"device/Link.h": []}, [("device/Link.h", "shell/Gone.h", "no longer")])
        self.assertEqual(len(failures), 1)
        self.assertIn("stale exception", failures[0])

    def test_system_and_unknown_includes_are_not_project_edges(self):
        counts, failures = self.run_tree({"device/Link.cpp": ["Link.h", "gtest/gtest.h"], "device/Link.h": []})
        # A bare name is not a project path; gtest/ is outside the layers and counted as such.
        self.assertEqual(counts["up"], 1)
        self.assertIn("outside the layers", failures[0])

    def test_the_resource_ids_are_for_everyone(self):
        counts, failures = self.run_tree({
            "shell/Model.cpp": ["resources/resource.h"],
            "toolkit/Dialog_win.cpp": ["resources/resource.h"],
            "resources/resource.h": [],
        })
        self.assertEqual(failures, [])
        self.assertEqual(counts["up"], 0)

    def test_only_the_program_folders_are_read(self):
        counts, failures = self.run_tree({
            "tests/unit/test_model.cpp": ["app/Entry_win.h", "shell/Model.h"],
            "bench/Bench_win.cpp": ["app/Entry_win.h"],
            "app/Entry_win.h": [],
            "shell/Model.h": [],
        })
        self.assertEqual(failures, [])
        self.assertEqual(counts["files"], 2)

    def test_a_header_chain_back_to_its_start_is_one_loop(self):
        counts, failures = self.run_tree({
            "overlays/A_win.h": ["overlays/B_win.h"],
            "overlays/B_win.h": ["overlays/C_win.h"],
            "overlays/C_win.h": ["overlays/A_win.h"],
        })
        self.assertEqual(counts["loops"], 1)
        self.assertEqual(counts["mutual"], 0)
        self.assertIn("3 units", failures[0])

    def test_verbose_names_the_includes_inside_a_loop(self):
        tree = Tree({"input/A_win.cpp": ["input/B_win.h"], "input/B_win.cpp": ["input/A_win.h"],
                     "input/A_win.h": [], "input/B_win.h": []})
        self.addCleanup(tree.close)
        out = io.StringIO()
        include_layers.check(tree.dir.name, [], out=out, verbose=True)
        self.assertIn("input/A_win.cpp -> input/B_win.h", out.getvalue())
        self.assertIn("input/B_win.cpp -> input/A_win.h", out.getvalue())

    def test_main_exit_status(self):
        # The program's own exceptions name files these trees do not have (they would be reported stale).
        patcher = mock.patch.object(include_layers, "EXCEPTIONS", [])
        patcher.start()
        self.addCleanup(patcher.stop)
        tree = Tree({"overlays/Tip_win.cpp": ["mainwindow/Main_win.h"], "mainwindow/Main_win.h": []})
        self.addCleanup(tree.close)
        self.assertEqual(include_layers.main(["--root", tree.dir.name]), 1)
        good = Tree({"mainwindow/Main_win.cpp": ["overlays/Tip_win.h"], "overlays/Tip_win.h": []})
        self.addCleanup(good.close)
        self.assertEqual(include_layers.main(["--root", good.dir.name]), 0)


class TheProgramsTreeTest(unittest.TestCase):
    def test_every_exception_names_a_file_of_the_tree_and_has_a_reason(self):
        root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
        for src, dst, reason in include_layers.EXCEPTIONS:
            with self.subTest(src=src, dst=dst):
                self.assertTrue(os.path.exists(os.path.join(root, src)), src)
                self.assertTrue(os.path.exists(os.path.join(root, dst)), dst)
                self.assertGreater(len(reason.split()), 3, "a reason, not a label")


if __name__ == "__main__":
    unittest.main()
