"""`tavlo batch` against `zint --batch`: the same QR Codes written as PNG files of the same pixel size.

    python bench/bench_batch.py [--count 10000] [--repeat 3] [--module-px 4] [--jobs N] [--dir FOLDER]

--dir picks where the files go: a folder on a disk, or on a RAM disk (/dev/shm) to measure the programs
rather than the disk; its file system is printed with the figures.

Each round makes the files afresh with both programs, one after the other, each started as a user would
start it (the Python start-up is part of tavlo's time). Reported: the median wall time, files per second, the
processor time the programs used (user + system, all threads), and tavlo's throughput as a multiple of
zint's. Both write QR Codes of error correction level M with a 4-module quiet zone; the script checks that
the two sets of files have the same count and the same pixel size, and reads a few back with zxing-cpp when
it is installed. zint is Debian's package (`apt-get install zint`, done by bench/run.sh).
"""

from __future__ import annotations

import argparse
import resource
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path


def payloads(count: int) -> str:
    return "".join(f"https://example.com/track?id={n:010d}&lang=en\n" for n in range(count))


def file_system(folder: str) -> str:
    """The type of the file system holding `folder` (ext4, tmpfs, ...), from /proc/self/mounts."""
    best, kind = "", "an unknown file system"
    try:
        with open("/proc/self/mounts") as mounts:
            for line in mounts:
                point, fs_type = line.split()[1:3]
                if (folder + "/").startswith(point.rstrip("/") + "/") and len(point) >= len(best):
                    best, kind = point, fs_type
    except OSError:
        pass
    return f"{kind} ({folder})"


def child_cpu_seconds() -> float:
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command: list[str]) -> tuple[float, float]:
    """Wall and processor seconds of one run of `command`, which must succeed."""
    cpu, start = child_cpu_seconds(), time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start, child_cpu_seconds() - cpu


def png_size(path: Path) -> tuple[int, int]:
    header = path.read_bytes()[:24]
    return struct.unpack(">II", header[16:24])


def check_outputs(folders: dict[str, Path], count: int) -> tuple[int, int]:
    """Both programs made `count` PNGs of one pixel size; that size."""
    sizes = set()
    for name, folder in folders.items():
        files = sorted(folder.glob("*.png"))
        if len(files) != count:
            sys.exit(f"{name} wrote {len(files)} files, not {count}")
        sizes |= {png_size(files[0]), png_size(files[-1])}
        read_back(name, files[:: max(1, count // 5)])
    if len(sizes) != 1:
        sys.exit(f"the programs made different pixel sizes: {sorted(sizes)}")
    return sizes.pop()


def read_back(name: str, files: list[Path]) -> None:
    try:
        import numpy as np
        import zxingcpp
        from PIL import Image
    except ImportError:
        return
    for path in files:
        with Image.open(path) as image:
            found = zxingcpp.read_barcodes(np.asarray(image.convert("L")))
        if len(found) != 1 or not found[0].text.startswith("https://example.com/track?id="):
            sys.exit(f"{name}: {path.name} does not read back as one QR Code")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=10_000)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--module-px", type=int, default=4, help="pixels per module, even (zint scales by 2)")
    parser.add_argument("--jobs", type=int, help="tavlo's --jobs (default: its own)")
    parser.add_argument("--dir", help="folder to write in (default: the system's temporary folder)")
    parser.add_argument("--baseline", metavar="FOLDER", help="a folder holding another tavlo package (an older "
                        "one, to compare): timed in the same rounds as 'tavlo (baseline)'")
    args = parser.parse_args()
    zint = shutil.which("zint")
    if zint is None:
        print("zint not found (apt-get install zint): skipped")
        return
    tavlo = [sys.executable, "-m", "tavlo"]
    with tempfile.TemporaryDirectory(prefix="bench-batch-", dir=args.dir) as scratch:
        where = file_system(scratch)
        work = Path(scratch)
        (work / "payloads.txt").write_text(payloads(args.count))
        commands = {
            "zint --batch": lambda out: [zint, "--batch", "-b", "QRCODE", "--secure=2", "--quietzones",
                                         f"--scale={args.module_px / 2:g}", "--filetype=png",
                                         "-o", str(out / ("~" * len(str(args.count)) + ".png")), "-i", str(work / "payloads.txt")],
            "tavlo batch": lambda out: [*tavlo, "batch", "qr", str(work / "payloads.txt"), "-d", str(out),
                                        "-x", f"{args.module_px}dots", "-q", "4",
                                        *(["--jobs", str(args.jobs)] if args.jobs else [])],
        }
        if args.baseline:
            commands["tavlo baseline"] = lambda out: ["env", f"PYTHONPATH={args.baseline}",
                                                      *commands["tavlo batch"](out)]
        results: dict[str, list[tuple[float, float]]] = {name: [] for name in commands}
        for round in range(args.repeat):
            for name, command in commands.items():
                out = work / f"{name.replace(' ', '-')}-{round}"
                out.mkdir()
                results[name].append(timed(command(out)))
            pixels = check_outputs({name: work / f"{name.replace(' ', '-')}-{round}" for name in commands}, args.count)
            for name in commands:
                shutil.rmtree(work / f"{name.replace(' ', '-')}-{round}")
    print(f"{args.count} QR Codes (level M, {pixels[0]} x {pixels[1]} px PNG files) on {where}, median of "
          f"{args.repeat} interleaved rounds:")
    print(f"{'program':<15} {'wall s':>8} {'files/s':>9} {'CPU s':>7}")
    walls = {}
    for name, runs in results.items():
        walls[name] = statistics.median(wall for wall, _ in runs)
        cpu = statistics.median(cpu for _, cpu in runs)
        print(f"{name:<15} {walls[name]:8.2f} {args.count / walls[name]:9.0f} {cpu:7.2f}")
    for name in commands:
        if name != "zint --batch":
            print(f"{name} throughput: {walls['zint --batch'] / walls[name]:.2f}x zint's")


if __name__ == "__main__":
    main()
