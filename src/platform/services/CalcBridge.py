#!/usr/bin/python3
"""Drives a LibreOffice Calc for the program's spreadsheet automation.

Started as `CalcBridge.py FOLDER`, with FOLDER a fresh folder that the bridge owns: "office.pid" there
names the office's process group, so that a caller that has to kill the bridge can end the office
too, and "office.sockets" the pipes the office listens on, one path a line, which a killed office
leaves behind. The office keeps its temporary files in its profile folder. The office is either private and invisible, with its user profile in FOLDER, or one that belongs
to the user ("startUser"): detached, shown unless headless, with a profile of its own under the given
folder while it runs, and left running when the bridge ends. Requests arrive on stdin and replies
leave on stdout, one JSON object per line:
    {"call": "start"}                                      -> null
    {"call": "startUser", "folder": "/a", "headless": false} -> null
    {"call": "visible", "value": false}                    -> null
    {"call": "open", "path": "/a/b.xls"}                   -> null (the office asks the user nothing)
    {"call": "activeSheet"}                                -> sheet number
    {"call": "values", "sheet": N, "range": [r1, c1, r2, c2]} -> rows of values (1-based, inclusive)
    {"call": "setValue", "sheet": N, "cell": [row, column], "text": "12.5"} -> null (a number-like text as number)
    {"call": "setText", "sheet": N, "cell": [row, column], "text": "a"} -> null (always a text)
    {"call": "range", "sheet": N, "first": "b3", "last": "b7"} -> range number
    {"call": "copy", "range": R, "destination": D}         -> null
    {"call": "autofit", "range": R}                        -> null
    {"call": "quit"}                                       -> null, and the bridge ends
A reply is {"ok": true, "result": ...} or {"ok": false, "error": "text"}. A value is null (empty),
a number, a string (text, or an error cell as Calc shows it), true/false, or {"date": serial} with
serial counted in days from 1899-12-30. When stdin closes the bridge quits a private office as on
"quit", so a program that ends without quitting leaves no office of its own behind.
"""

import datetime
import json
import os
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import uuid

import uno
import unohelper
from com.sun.star.beans import PropertyValue
from com.sun.star.table import CellAddress
from com.sun.star.connection import NoConnectException
from com.sun.star.task import XInteractionHandler
from com.sun.star.uno import Exception as UnoException

START_SECONDS = 50
END_SECONDS = 10
# An office that ends this soon after its start, before it answers, is started once more.
EARLY_END_SECONDS = 1
# com.sun.star.util.NumberFormat and com.sun.star.sheet.FormulaResult
DATE, TIME, LOGICAL = 2, 4, 1024
FORMULA_VALUE, FORMULA_ERROR = 1, 4
# What Calc's edit text holds in place of a TAB or a field.
EDIT_FEATURE = "\x01"
MAX_ROWS, MAX_COLUMNS = 1048576, 16384
OLE_NULL_DATE = datetime.date(1899, 12, 30)
# A text that a spreadsheet program reads as a number when it is typed in.
NUMBER = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?")
CELL_NAME = re.compile(r"[A-Za-z]{1,3}[0-9]{1,7}")
PROFILE_PREFIX = "office-"
# How the office names the sockets of its pipes.
PIPE_PREFIX = "OSL_PIPE_"
# A fresh profile of a shown office would greet the user first.
QUIET_PROFILE = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="ooSetupInstCompleted" oor:op="fuse"><value>true</value></prop></item>
</oor:items>
"""


class BridgeError(Exception):
    pass


class OfficeEnded(BridgeError):
    def __init__(self, status, seconds):
        BridgeError.__init__(self, "The office ended while starting (exit status %d)." % status)
        self.status, self.seconds = status, seconds


class QuietInteraction(unohelper.Base, XInteractionHandler):
    """Answers what the office would ask the user while it loads a file, so that it shows no dialog of
    its own (an error, the choice of a filter, a password) that nobody may be there to answer. The
    request itself does not reach Python intact; its answers tell enough: one that can be approved
    (a warning, or an error that ends the load anyway) is, anything else ends the load."""

    ANSWERS = [uno.getTypeByName("com.sun.star.task.XInteractionApprove"),
               uno.getTypeByName("com.sun.star.task.XInteractionAbort")]

    def handle(self, request):
        continuations = request.getContinuations()
        for wanted in self.ANSWERS:
            for continuation in continuations:
                if continuation.queryInterface(wanted):
                    continuation.select()
                    return


def office_program():
    return (os.environ.get("KESTRAME_SOFFICE") or shutil.which("soffice")
            or "/usr/lib/libreoffice/program/soffice")


def properties(**values):
    result = []
    for name, value in values.items():
        prop = PropertyValue()
        prop.Name, prop.Value = name, value
        result.append(prop)
    return tuple(result)


def error_text(error):
    return getattr(error, "Message", "") or str(error) or type(error).__name__


class Office:
    def __init__(self, folder):
        self.folder = folder
        self.process = None
        self.context = None
        self.desktop = None
        self.documents = []
        self.sheets = []
        self.ranges = []
        self.user_office = False
        self.headless = True
        self.visible = False
        self.profile = None
        self.sockets = []

    def start(self):
        self.launch(os.path.join(self.folder, "profile"), ["--headless", "--invisible"])

    def start_user(self, folder, headless):
        os.makedirs(folder, exist_ok=True)
        remove_stale_profiles(folder)
        self.profile = tempfile.mkdtemp(prefix=PROFILE_PREFIX, dir=folder)
        self.user_office, self.headless = True, bool(headless)
        os.makedirs(os.path.join(self.profile, "user"))
        with open(os.path.join(self.profile, "user", "registrymodifications.xcu"), "w") as settings:
            settings.write(QUIET_PROFILE)
        try:
            self.launch(self.profile, ["--headless", "--invisible"] if self.headless else [])
        except Exception:
            self.kill_office()
            shutil.rmtree(self.profile, ignore_errors=True)
            raise

    def launch(self, profile_folder, display_options):
        if self.process:
            raise BridgeError("The office is already running.")
        # The first start of an office can end at once (seen on a machine that had just installed it,
        # beside other offices starting); started again, it runs.
        try:
            self.start_office(profile_folder, display_options)
        except OfficeEnded as ended:
            if ended.seconds >= EARLY_END_SECONDS:
                raise
            report("starting the office", ended)
            self.kill_office()
            try:
                self.start_office(profile_folder, display_options)
            except OfficeEnded as again:
                raise BridgeError("The office ended while starting, twice (exit status %d)." % again.status)
        self.desktop = self.context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop",
                                                                             self.context)

    def start_office(self, profile_folder, display_options):
        pipe = "kestrame-" + uuid.uuid4().hex
        profile = uno.systemPathToFileUrl(profile_folder)
        arguments = ([office_program()] + display_options +
                     ["--nologo", "--nodefault", "--norestore", "--nolockcheck",
                      "--accept=pipe,name=%s;urp;" % pipe, "-env:UserInstallation=" + profile])
        # Its temporary files go with its profile, so that an office that is killed leaves none about.
        temporary = os.path.join(profile_folder, "tmp")
        os.makedirs(temporary, exist_ok=True)
        try:
            self.process = subprocess.Popen(arguments, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL, start_new_session=True,
                                            env=dict(os.environ, TMPDIR=temporary))
        except OSError as error:
            raise BridgeError("Could not start %s: %s" % (arguments[0], error.strerror))
        # The user's office names itself in its profile too, which tells a stale profile from a live one.
        for pid_folder in [self.folder] + ([profile_folder] if self.user_office else []):
            with open(os.path.join(pid_folder, "office.pid"), "w") as pid_file:
                pid_file.write(str(self.process.pid))
        self.context = self.connect(pipe)
        self.sockets = named_sockets(self.process.pid)
        for socket_folder in [self.folder] + ([profile_folder] if self.user_office else []):
            with open(os.path.join(socket_folder, "office.sockets"), "w") as socket_file:
                socket_file.writelines(path + "\n" for path in self.sockets)

    def connect(self, pipe):
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        address = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe
        started = time.monotonic()
        deadline = started + START_SECONDS
        while True:
            try:
                return resolver.resolve(address)
            except NoConnectException:
                if self.process.poll() is not None:
                    raise OfficeEnded(self.process.returncode, time.monotonic() - started)
                if time.monotonic() > deadline:
                    raise BridgeError("The office did not answer within %d seconds." % START_SECONDS)
                time.sleep(0.1)

    def running_desktop(self):
        if not self.desktop:
            raise BridgeError("The office is not running.")
        return self.desktop

    def set_visible(self, visible):
        self.running_desktop()
        if not self.user_office:
            if visible:
                raise BridgeError("This office runs without a display and cannot be shown.")
            return
        self.visible = visible
        if not self.headless:
            for document in self.documents:
                document.getCurrentController().getFrame().getContainerWindow().setVisible(visible)

    def open(self, path):
        # An empty name would name the working folder.
        if not path:
            raise BridgeError("No workbook file was named.")
        url = uno.systemPathToFileUrl(os.path.abspath(path))
        # Not "Hidden" without a display: the headless office shows nothing anyway, and a hidden
        # document skips the view that the file stores, and with it the sheet that was active. Macros
        # never run and links never update: the file may come from anywhere. The user's office makes
        # a new untitled document of the file, which stays as it is.
        options = dict(MacroExecutionMode=0, UpdateDocMode=0)
        if self.user_office:
            options["AsTemplate"] = True
            if not self.headless and not self.visible:
                options["Hidden"] = True
        else:
            options["ReadOnly"] = True
        options["InteractionHandler"] = QuietInteraction()
        # The office's own text of a file it cannot read names its internals, not the file.
        try:
            document = self.running_desktop().loadComponentFromURL(url, "_blank", 0, properties(**options))
        except UnoException:
            document = None
        if document is None:
            raise BridgeError("The office could not load " + path)
        if self.user_office:
            self.hand_over_questions(document)
        self.documents.append(document)

    def hand_over_questions(self, document):
        """The user works on in the office after the bridge has ended: the document asks the user its
        questions from now on (about a save, say), as one that the user opened does."""
        interactive = self.context.ServiceManager.createInstanceWithContext("com.sun.star.task.InteractionHandler",
                                                                            self.context)
        arguments = [argument for argument in document.getArgs() if argument.Name != "InteractionHandler"]
        document.attachResource(document.getURL(), tuple(arguments) + properties(InteractionHandler=interactive))

    def active_sheet(self):
        if not self.documents:
            raise BridgeError("No workbook is open.")
        document = self.documents[-1]
        if not document.supportsService("com.sun.star.sheet.SpreadsheetDocument"):
            raise BridgeError("The document is not a spreadsheet.")
        controller = document.getCurrentController()
        sheet = controller.getActiveSheet() if controller else None
        if sheet is None:
            raise BridgeError("The workbook has no active sheet.")
        self.sheets.append((document, sheet))
        return len(self.sheets) - 1

    def values(self, sheet_number, area):
        sheet = self.sheet(sheet_number)
        if (len(area) != 4 or not all(isinstance(n, int) for n in area)
                or not 1 <= area[0] <= area[2] <= MAX_ROWS or not 1 <= area[1] <= area[3] <= MAX_COLUMNS):
            raise BridgeError("Invalid cell range.")
        document = self.sheets[sheet_number][0]
        first_row, first_column = area[0] - 1, area[1] - 1
        block = sheet.getCellRangeByPosition(first_column, first_row, area[3] - 1, area[2] - 1)
        rows = [[plain_value(value) for value in row] for row in block.getDataArray()]
        date_offset = (date_of(document.getPropertyValue("NullDate")) - OLE_NULL_DATE).days
        formats = document.getNumberFormats()
        for ranges in index_items(block.getUniqueCellFormatRanges()):
            kind = formats.getByKey(ranges.getPropertyValue("NumberFormat")).getPropertyValue("Type")
            if kind & (DATE | TIME):
                convert = lambda value: {"date": value + date_offset}
            elif kind & LOGICAL:
                convert = lambda value: value != 0
            else:
                continue
            for row, column in cells_of(ranges, first_row, first_column, len(rows), len(rows[0])):
                if isinstance(rows[row][column], float):
                    rows[row][column] = convert(rows[row][column])
        def cell(row, column):
            return sheet.getCellByPosition(first_column + column, first_row + row)

        # A cell of several paragraphs, fonts or scripts comes as Calc's raw edit text, in which a TAB
        # (like a field) is byte 1; the cell's string holds what it shows.
        for row, values in enumerate(rows):
            for column, value in enumerate(values):
                if isinstance(value, str) and EDIT_FEATURE in value:
                    values[column] = cell(row, column).getString()
        # A formula's boolean result is a number that Calc shows as a word, and an .xls file's TRUE and
        # FALSE arrive as the formulas =TRUE() and =FALSE(); only the cells holding 0 or 1 need a look.
        for row, column in cells_of(block.queryFormulaCells(FORMULA_VALUE), first_row, first_column,
                                    len(rows), len(rows[0])):
            value = rows[row][column]
            if isinstance(value, float) and value in (0, 1) and is_boolean(document, cell(row, column)):
                rows[row][column] = value != 0
        for row, column in cells_of(block.queryFormulaCells(FORMULA_ERROR), first_row, first_column,
                                    len(rows), len(rows[0])):
            rows[row][column] = cell(row, column).getString()
        return rows

    def sheet(self, sheet_number):
        if not isinstance(sheet_number, int) or not 0 <= sheet_number < len(self.sheets):
            raise BridgeError("No such sheet.")
        return self.sheets[sheet_number][1]

    def target_cell(self, sheet_number, cell):
        if (len(cell) != 2 or not all(isinstance(n, int) for n in cell)
                or not 1 <= cell[0] <= MAX_ROWS or not 1 <= cell[1] <= MAX_COLUMNS):
            raise BridgeError("Invalid cell.")
        return self.sheet(sheet_number).getCellByPosition(cell[1] - 1, cell[0] - 1)

    def set_value(self, sheet_number, cell, text):
        target = self.target_cell(sheet_number, cell)
        if NUMBER.fullmatch(text):
            target.setValue(float(text))
        else:
            target.setString(text)

    def set_text(self, sheet_number, cell, text):
        self.target_cell(sheet_number, cell).setString(text)

    def range(self, sheet_number, first, last):
        sheet = self.sheet(sheet_number)
        if not CELL_NAME.fullmatch(first) or not CELL_NAME.fullmatch(last):
            raise BridgeError("Invalid cell name.")
        try:
            block = sheet.getCellRangeByName((first + ":" + last).upper())
        except Exception:
            raise BridgeError("Invalid cell range.")
        self.ranges.append((sheet, block))
        return len(self.ranges) - 1

    def block(self, range_number):
        if not isinstance(range_number, int) or not 0 <= range_number < len(self.ranges):
            raise BridgeError("No such range.")
        return self.ranges[range_number]

    def copy(self, range_number, destination_number):
        sheet, source = self.block(range_number)
        target_sheet, target = self.block(destination_number)
        if target_sheet != sheet:
            raise BridgeError("A range copies only within its sheet.")
        source_address, target_address = source.getRangeAddress(), target.getRangeAddress()
        rows = source_address.EndRow - source_address.StartRow + 1
        columns = source_address.EndColumn - source_address.StartColumn + 1
        across = max((target_address.EndColumn - target_address.StartColumn + 1) // columns, 1)
        down = max((target_address.EndRow - target_address.StartRow + 1) // rows, 1)
        for row in range(down):
            for column in range(across):
                corner = CellAddress(target_address.Sheet, target_address.StartColumn + column * columns,
                                     target_address.StartRow + row * rows)
                target_sheet.copyRange(corner, source_address)

    def autofit(self, range_number):
        self.block(range_number)[1].getColumns().setPropertyValue("OptimalWidth", True)

    def end(self):
        """What ending the bridge does to the office: a private one quits, the user's stays."""
        if self.user_office:
            self.documents, self.sheets, self.ranges, self.desktop = [], [], [], None
            shutil.rmtree(self.folder, ignore_errors=True)
        else:
            self.quit()

    def kill_office(self):
        if not self.process:
            return
        sockets = set(self.sockets) | set(named_sockets(self.process.pid))
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()
        self.process = None
        remove_sockets(sockets)

    def quit(self):
        for document in self.documents:
            try:
                document.close(True)
            except Exception as error:
                report("closing a workbook", error)
        self.documents, self.sheets, self.ranges = [], [], []
        if self.desktop:
            try:
                self.desktop.terminate()
            except Exception as error:
                # The connection ends with the office, which may come first.
                report("ending the office", error)
            self.desktop = None
        if self.process:
            try:
                self.process.wait(END_SECONDS)
            except subprocess.TimeoutExpired:
                pass
            self.kill_office()
        if self.profile:
            shutil.rmtree(self.profile, ignore_errors=True)
        shutil.rmtree(self.folder, ignore_errors=True)


def report(what, error):
    print("CalcBridge: %s: %s" % (what, error_text(error)), file=sys.stderr)


def remove_stale_profiles(folder):
    """Removes the profiles of the user's offices that have ended, and the pipes of those that were
    killed."""
    for name in os.listdir(folder):
        profile = os.path.join(folder, name)
        try:
            with open(os.path.join(profile, "office.pid")) as pid_file:
                group = int(pid_file.read())
        except (OSError, ValueError):
            continue
        try:
            os.killpg(group, 0)
        except ProcessLookupError:
            remove_sockets(listed_sockets(profile))
            shutil.rmtree(profile, ignore_errors=True)
        except PermissionError:
            pass


def named_sockets(group):
    """The paths of the sockets that the processes of a process group hold (the office's pipes)."""
    inodes = set()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.getpgid(int(pid)) != group:
                continue
            for fd in os.listdir("/proc/%s/fd" % pid):
                target = os.readlink("/proc/%s/fd/%s" % (pid, fd))
                if target.startswith("socket:["):
                    inodes.add(target[len("socket:["):-1])
        except OSError:
            continue
    paths = set()
    with open("/proc/net/unix") as table:
        next(table, None)
        for fields in (line.split() for line in table):
            if len(fields) >= 8 and fields[6] in inodes and fields[7].startswith("/"):
                paths.add(fields[7])
    return sorted(paths)


def listed_sockets(folder):
    try:
        with open(os.path.join(folder, "office.sockets")) as socket_file:
            return socket_file.read().splitlines()
    except OSError:
        return []


def remove_sockets(paths):
    """Removes the office's pipes that are left: only sockets named as the office names its pipes."""
    for path in paths:
        try:
            if os.path.basename(path).startswith(PIPE_PREFIX) and stat.S_ISSOCK(os.lstat(path).st_mode):
                os.unlink(path)
        except FileNotFoundError:
            pass
        except OSError as error:
            report("removing " + path, error)


def is_boolean(document, cell):
    if cell.getFormula().upper() in ("=TRUE()", "=FALSE()") or cell.getString().isalpha():
        return True
    return computes_logical(document, cell)


def computes_logical(document, cell):
    """Whether the formula's result is of the logical type (a comparison, AND(), ...). A formula read
    from a file keeps the number the file held until it is computed again, which gives a general cell
    the format of its result; the cell keeps its own format."""
    kept = cell.getPropertyValue("NumberFormat")
    try:
        cell.setFormula(cell.getFormula())
    except Exception as error:
        # A protected sheet takes no formula: the cell stays the number it holds.
        report("computing a formula again", error)
        return False
    try:
        computed = cell.getPropertyValue("NumberFormat")
        return bool(document.getNumberFormats().getByKey(computed).getPropertyValue("Type") & LOGICAL)
    finally:
        cell.setPropertyValue("NumberFormat", kept)


def plain_value(value):
    if value == "":
        return None
    return value


def date_of(uno_date):
    return datetime.date(uno_date.Year, uno_date.Month, uno_date.Day)


def index_items(collection):
    return [collection.getByIndex(i) for i in range(collection.getCount())]


def cells_of(ranges, first_row, first_column, row_count, column_count):
    """The cells of `ranges` as (row, column) within the block that starts at the first cell."""
    for address in ranges.getRangeAddresses():
        for row in range(max(address.StartRow - first_row, 0), min(address.EndRow - first_row + 1, row_count)):
            for column in range(max(address.StartColumn - first_column, 0),
                                min(address.EndColumn - first_column + 1, column_count)):
                yield row, column


def answer(office, request):
    call = request.get("call")
    if call == "start":
        return office.start()
    if call == "startUser":
        return office.start_user(str(request.get("folder", "")), request.get("headless"))
    if call == "visible":
        return office.set_visible(bool(request.get("value")))
    if call == "open":
        return office.open(str(request.get("path", "")))
    if call == "activeSheet":
        return office.active_sheet()
    if call == "values":
        return office.values(request.get("sheet"), request.get("range", []))
    if call == "setValue":
        return office.set_value(request.get("sheet"), request.get("cell", []), str(request.get("text", "")))
    if call == "setText":
        return office.set_text(request.get("sheet"), request.get("cell", []), str(request.get("text", "")))
    if call == "range":
        return office.range(request.get("sheet"), str(request.get("first", "")), str(request.get("last", "")))
    if call == "copy":
        return office.copy(request.get("range"), request.get("destination"))
    if call == "autofit":
        return office.autofit(request.get("range"))
    if call == "quit":
        return office.quit()
    raise BridgeError("Unknown call: %s" % call)


def serve(office, replies):
    for line in sys.stdin.buffer:
        try:
            request = json.loads(line)
            if not isinstance(request, dict):
                raise BridgeError("A request must be an object.")
            reply = json.dumps({"ok": True, "result": answer(office, request)}, allow_nan=False)
        except Exception as error:
            request = {}
            reply = json.dumps({"ok": False, "error": error_text(error)})
        replies.write(reply + "\n")
        replies.flush()
        if request.get("call") == "quit":
            return


def main():
    if len(sys.argv) != 2:
        print("usage: CalcBridge.py FOLDER", file=sys.stderr)
        return 2
    # Replies have stdout to themselves: anything else printed goes to stderr.
    replies = os.fdopen(os.dup(sys.stdout.fileno()), "w", encoding="ascii")
    os.dup2(sys.stderr.fileno(), sys.stdout.fileno())
    # An interrupt meant for the program must not end the bridge before it has ended its office; a
    # request to end does so.
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    for ending in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(ending, lambda number, frame: sys.exit(1))
    office = Office(sys.argv[1])
    try:
        serve(office, replies)
    finally:
        office.end()
    return 0


if __name__ == "__main__":
    sys.exit(main())
