#!/usr/bin/python3
"""Prints the benchmarks' median times from Google Benchmark's JSON files: first each of our
benchmarks beside the one that does the same work with another implementation, with the ratio,
then the benchmarks that have no counterpart.

    bench_report.py RESULT.json...
"""
import json
import sys

# Our benchmark, the counterpart that does the same work, and whose the counterpart is.
PAIRS = [
    ("BM_FindByKeyBinaryCatalog", "BM_FindByKeySqlite", "SQLite"),
    ("BM_CanvasFillRect", "BM_QPainterFillRect", "QPainter"),
    ("BM_CanvasStretchDraw", "BM_QPainterStretchDraw", "QPainter"),
    ("BM_CanvasTransparentDraw", "BM_QPainterTransparentDraw", "QPainter"),
    ("BM_TBitmapFromJpeg", "BM_QImageFromJpeg", "QImage"),
    ("BM_TBitmapFromBmp", "BM_QImageFromBmp", "QImage"),
    ("BM_TTargaGraphicPlain", "BM_QImagePlain", "QImage"),
    ("BM_TTargaGraphicPacked", "BM_MagickPacked", "Magick++"),
    ("FormatOurs", "FormatSnprintf", "snprintf"),
    ("BM_OdbcExecute/process_time/real_time", "BM_OdbcBindCol", "bare ODBC"),
    ("BM_DeviceShapes", "BM_CairoShapes", "cairo"),
    ("BM_DeviceText", "BM_CairoText", "cairo"),
    ("BM_MakePdfUncompressed", "BM_CairoPdf", "cairo"),
    ("BM_MakePdfFlate", "BM_CairoPdf", "cairo"),
    ("BM_TIFFWriter", "BM_LibtiffWrite", "libtiff"),
    ("BM_CalcReadSheet/iterations:3", "BM_XlrdReadSheet/iterations:1/manual_time", "python3-xlrd"),
    ("BM_RedrawAll", "BM_QPainterDrawImageOfDecodedPictures", "QPainter"),
    ("BM_RenderDoubleScale", "BM_RedrawAll", "full redraw"),
    ("BM_AdoDatasetWalk/process_time/real_time", "BM_AdoRecordsetWalk/process_time/real_time", "recordset walk"),
    ("BM_TPNGGraphicPlain", "BM_LibpngPlain", "libpng"),
    ("BM_TPNGGraphicInterlaced", "BM_LibpngInterlaced", "libpng"),
    ("BM_TTIFFGraphic/file:2", "BM_LibtiffRGBA/file:2", "libtiff"),
    ("BM_TTIFFGraphicLab", "BM_MagickConvertLab/manual_time", "ImageMagick convert"),
    ("BM_OpenWallOfTwentyPhotos/iterations:1/manual_time", "BM_DjpegPhotos/20/iterations:1/manual_time", "djpeg"),
    ("BM_OpenWallEveryPictureAPhoto/iterations:1/manual_time", "BM_DjpegPhotos/20/iterations:1/manual_time",
     "djpeg"),
    ("BM_RedrawWallOfTwentyPhotos/iterations:20/manual_time", "BM_DjpegPhotos/20/iterations:1/manual_time", "djpeg"),
    ("BM_BuildDisplayOfTenPhotos/iterations:1/manual_time", "BM_DjpegPhotos/10/iterations:1/manual_time", "djpeg"),
    ("BM_RedrawWallOfTwentyCroppedPhotos/iterations:20/manual_time",
     "BM_RedrawWallOfTwentyPhotos/iterations:20/manual_time", "uncropped photos"),
    ("BM_RedrawWallOfTenTransparentPngPhotos/iterations:20/manual_time",
     "BM_RedrawWallOfTwentyPhotos/iterations:20/manual_time", "JPEG photos"),
    ("BM_TPPMGraphicGraymap", "BM_QtGraymap", "Qt"),
    ("BM_RawImageStream", "BM_PlainCopy", "plain copy"),
    ("BM_OpenCatalogIntoEditor/50000", "BM_OpenTextCatalog/50000", "plain open"),
    ("BM_OpenLargePlanogramWindowCold/iterations:5/manual_time",
     "BM_OpenLargePlanogramWindowWarm/iterations:5/manual_time", "warm open"),
]

NANOSECONDS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def median_times(paths):
    """Median (wall-clock, CPU) times in nanoseconds per run name; None for a benchmark that reported
    an error."""
    times = {}
    for path in paths:
        with open(path, encoding="utf-8") as file:
            text = file.read()
        # A benchmark program none of whose benchmarks a --benchmark_filter matched writes nothing.
        for run in json.loads(text)["benchmarks"] if text else []:
            name = run.get("run_name", run["name"])
            if run.get("error_occurred"):
                times[name] = None
            elif run.get("aggregate_name", "median") == "median":
                scale = NANOSECONDS[run["time_unit"]]
                # Work done by outside tools is their processes' processor time, not the caller's.
                cpu = run["child_cpu_ms"] * 1e6 if "child_cpu_ms" in run else run["cpu_time"] * scale
                times[name] = (run["real_time"] * scale, cpu)
    return times


def wall(time):
    return time[0] if time else None


def ratio(ours, theirs, which):
    return f"{ours[which] / theirs[which]:.2f}" if ours and theirs and theirs[which] else "-"


def readable(nanoseconds):
    if nanoseconds is None:
        return "error"
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if nanoseconds >= scale:
            return f"{nanoseconds / scale:.3g} {unit}"
    return f"{nanoseconds:.3g} ns"


def main(paths):
    times = median_times(paths)
    paired = set()
    rows = []
    for ours, peer, whose in PAIRS:
        if ours not in times or peer not in times:
            print(f"Not run: {ours} or {peer}", file=sys.stderr)
            continue
        paired.update((ours, peer))
        rows.append((ours, readable(wall(times[ours])), whose, readable(wall(times[peer])),
                     ratio(times[ours], times[peer], 0), ratio(times[ours], times[peer], 1)))

    header = ("benchmark", "ours", "against", "theirs", "ours/theirs", "CPU ours/theirs")
    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    # On a shared machine the wall-clock times carry the other load; the CPU ratio does not, but it
    # counts only the benchmark's own thread, not work handed to other threads or processes.
    print("Median wall-clock time per iteration, its ratio and the ratio of CPU times;"
          " a ratio below 1 means ours is faster.")
    for row in [header] + rows:
        print("  ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip())

    alone = [name for name in times if name not in paired]
    if alone:
        print("\nWithout a counterpart:")
        width = max(len(name) for name in alone)
        for name in alone:
            print(f"{name.ljust(width)}  {readable(wall(times[name]))}")


if __name__ == "__main__":
    main(sys.argv[1:])
