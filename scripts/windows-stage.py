#!/usr/bin/env python3
"""Lays out the Windows program folder the installer ships.

    windows-stage.py BUILD STAGE QT_PREFIX DLL_DIR...

Copies zayavka.exe and readme.txt, the Qt plugins the program loads, Qt's
Russian texts and a qt.conf that roots Qt's paths in the program folder, then
every DLL those files import, found in the DLL_DIRs (the libraries and the
compiler's runtime) and followed through their own imports; a DLL found in
none of them is the system's. windeployqt, which would do this on Windows,
does not run on Linux; the import tables say the same. Binaries are copied
stripped. Writes files.nsh beside STAGE: the installer's list of what to
remove.
"""
import pathlib
import shutil
import subprocess
import sys

OBJDUMP = "x86_64-w64-mingw32-objdump"
STRIP = "x86_64-w64-mingw32-strip"
# The plugins the program needs: the windows platform and its native style.
# Others (offscreen, minimal) serve tests only.
PLUGINS = ["platforms/qwindows.dll", "styles/qwindowsvistastyle.dll"]


def imports(binary: pathlib.Path) -> list[str]:
    out = subprocess.run([OBJDUMP, "-p", str(binary)], check=True, capture_output=True,
                         text=True).stdout
    return [line.split("DLL Name:", 1)[1].strip() for line in out.splitlines()
            if "DLL Name:" in line]


def find_dll(name: str, dirs: list[pathlib.Path]) -> pathlib.Path | None:
    for folder in dirs:
        for candidate in folder.iterdir() if folder.is_dir() else []:
            if candidate.name.lower() == name.lower():
                return candidate
    return None


def copy_binary(source: pathlib.Path, target: pathlib.Path) -> None:
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(source, target)
    subprocess.run([STRIP, "--strip-unneeded", str(target)], check=True)


def main() -> int:
    if len(sys.argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    build, stage, qt = (pathlib.Path(a) for a in sys.argv[1:4])
    dll_dirs = [pathlib.Path(a) for a in sys.argv[4:]]
    root = pathlib.Path(__file__).resolve().parent.parent
    if stage.exists():
        shutil.rmtree(stage)
    stage.mkdir(parents=True)

    binaries = [stage / "zayavka.exe"]
    copy_binary(build / "app" / "zayavka.exe", binaries[0])
    shutil.copyfile(root / "resources" / "readme.txt", stage / "readme.txt")
    for plugin in PLUGINS:
        source = qt / "plugins" / plugin
        if not source.exists():
            print(f"missing Qt plugin {source}", file=sys.stderr)
            return 1
        binaries.append(stage / "plugins" / plugin)
        copy_binary(source, binaries[-1])
    (stage / "translations").mkdir()
    shutil.copyfile(qt / "translations" / "qtbase_ru.qm", stage / "translations" / "qtbase_ru.qm")
    (stage / "qt.conf").write_text("[Paths]\r\nPrefix = .\r\n")

    seen: set[str] = set()
    while binaries:
        for name in imports(binaries.pop()):
            if name.lower() in seen:
                continue
            seen.add(name.lower())
            source = find_dll(name, dll_dirs)
            if source is None:
                continue  # the system's own
            binaries.append(stage / source.name)
            copy_binary(source, binaries[-1])

    # What the uninstaller removes: exactly these files and their folders,
    # never what the program or the user put beside them.
    files = sorted(p.relative_to(stage) for p in stage.rglob("*") if p.is_file())
    folders = sorted({parent for f in files for parent in f.parents
                      if parent != pathlib.Path(".")}, key=lambda p: -len(p.parts))
    lines = [f'Delete "$INSTDIR\\{str(f).replace("/", chr(92))}"' for f in files]
    lines += [f'RMDir "$INSTDIR\\{str(d).replace("/", chr(92))}"' for d in folders]
    (stage.parent / "files.nsh").write_text("\r\n".join(lines) + "\r\n")
    for f in files:
        print(f)
    return 0


if __name__ == "__main__":
    sys.exit(main())
