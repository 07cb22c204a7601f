"""The ctypes declarations against the headers, and finding the library."""

import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

from qcxapi import _prototypes

INCLUDE = Path(__file__).resolve().parents[2] / "include"


def header_exports(name, marker):
    text = re.sub(r"/\*.*?\*/", "", (INCLUDE / name).read_text(), flags=re.S)
    found = {}
    for match in re.finditer(marker + r"\s+(\w+)\s*\(([^)]*)\)\s*;", text):
        arguments = match.group(2).strip()
        found[match.group(1)] = 0 if arguments in ("", "void") else arguments.count(",") + 1
    return found


@pytest.mark.skipif(not INCLUDE.is_dir(), reason="needs the source tree's headers")
def test_every_export_is_declared_with_its_arity():
    exports = header_exports("qcxapi.h", r"QCXAPI_EXPORT int QCXAPI_CALL")
    exports.update(header_exports("qcxsim.h", r"QCXSIM_API int"))
    assert len(exports) > 136
    declared = {name: len(codes) for name, codes in _prototypes.signatures().items()}
    assert declared == exports


def test_a_missing_library_names_the_paths_tried(tmp_path):
    missing = tmp_path / "nowhere" / "libqcxapi.so"
    environment = dict(os.environ, QCXAPI_LIBRARY=str(missing))
    result = subprocess.run([sys.executable, "-c", "import qcxapi; qcxapi.library()"], env=environment,
                            capture_output=True, text=True)
    assert result.returncode != 0
    assert "LibraryNotFoundError" in result.stderr and str(missing) in result.stderr
