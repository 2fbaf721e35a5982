"""Payroll data files as typed NumPy arrays and pandas frames.

nelvo_data reads the fixed-length record files of the payroll application
(personnel master in both layouts, BDA, JDA, surcharges, social insurance,
leave sheet, leave calendar, tariff table) with the same C++ library as the
command-line tool nelvo-data: one reader, one set of layout tables, nothing
guessed from the data. Files are only ever read.

Open a file and look at it::

    import nelvo_data as nd
    f = nd.open("samples/personal.13", "user")   # the kind as nelvo-data names it
    f.kind, f.layout, f.record_length, len(f)      # len: the count as the component counts
    f.columns[:3]                                  # the CSV header's names, in its order
    f.record_text(1)                               # the component's record text of record 1

Typed columns, without CSV::

    arrays = f.to_numpy(["ZPersNr", "ztext0"])     # dict: column -> ndarray
    df = f.to_pandas(currency="decimal")           # index "record", exact amounts
    for part in f.iter_pandas(chunksize=50_000):   # memory bounded by the chunk
        ...
    df = nd.read("samples/urlaub.dat", "urlaub")   # open(...).to_pandas(...)

Types follow the layout, never the data:
    16/32-bit integers    int16 / int32
    truth values          int16, the stored value: -1 true (the record text's
                          "Y"), 0 false, any other value kept as it is
    floats                float32, infinities and NaN kept bit for bit
    currency              currency="float": float64, the double nearest the
                          exact four-place amount; "decimal": decimal.Decimal,
                          exact; "scaled": int64 ten-thousandths, exact
    texts                 str decoded from Windows-1252, spaces trimmed as the
                          CSV shows them (other bytes, NUL included, kept);
                          raw_text=True: bytes, every stored byte

A source is a path (str or os.PathLike), a bytes-like object (bytes,
bytearray, memoryview, mmap) or a seekable binary file object; a path is read
in chunks with positional reads, never whole. Without a kind, the kind is
told from the bytes as `nelvo-data identify` tells it.

Failures: nelvo_data.Error (an OSError) with the component's run-time error
number in .number (53: file not found, also a FileNotFoundError); a record
past the end is an IndexError; an unknown kind, layout or bad range a
ValueError; an unknown column a KeyError.

GetuserData is the component's class itself: eigdat and the seventeen
members by their own names, returning the component's texts.

pandas is optional: only to_pandas, iter_pandas and read import it (Debian:
apt install python3-pandas).
"""

from __future__ import annotations

import difflib
import io
import os
import warnings
from typing import TYPE_CHECKING, Any, Dict, Iterator, List, NamedTuple, Optional, Sequence, Union

import numpy as np

from . import _nelvo_data as _ext

if TYPE_CHECKING:  # pragma: no cover
    import pandas

__all__ = [
    "DataFile",
    "Error",
    "FieldInfo",
    "FileNotFound",
    "GetuserData",
    "KINDS",
    "LayoutRuleWarning",
    "open",
    "read",
]

__version__: str = _ext.__version__

#: The kinds of data file, as the command-line tool names them.
KINDS: tuple = tuple(_ext.KINDS)

GetuserData = _ext.GetuserData

Source = Union[str, "os.PathLike[str]", "os.PathLike[bytes]", bytes, bytearray, memoryview, Any]
Columns = Optional[Union[str, Sequence[str]]]


class Error(OSError):
    """A failure to read, with the component's run-time error number.

    .number is the number (53 "File not found", 57 "Device I/O error",
    75 "Path/File access error", ...), .message its description and what
    more is known; .filename the path, when there is one.
    """

    def __init__(self, number: int, message: str, filename: Optional[str] = None) -> None:
        super().__init__(number, message)
        self.number = number
        self.message = message
        if filename is not None:
            self.filename = filename

    def __str__(self) -> str:
        where = f": {self.filename!r}" if self.filename is not None else ""
        return f"[error {self.number}] {self.message}{where}"


class FileNotFound(Error, FileNotFoundError):
    """Error 53, "File not found": also a FileNotFoundError."""


def _error_for(number: int, message: str) -> Error:
    # The extension raises its failures through here.
    return (FileNotFound if number == 53 else Error)(number, message)


class LayoutRuleWarning(UserWarning):
    """A personnel file's layout was chosen by a "." outside its file name.

    The layout rule reads the first "." of the whole path ("./personal.13"
    is read as 1513-byte records); layout="1920" or "1513" chooses outright.
    """


class FieldInfo(NamedTuple):
    """One column of a layout, as the database export's fields table lists it."""

    column: str  #: the CSV header's name: "ztext0", "tnam_1", "Luckkv_2_12"
    field: str  #: the field's name in the layout
    row: Optional[int]  #: the row number the descriptor gives (tables only)
    element: Optional[int]  #: the element number the descriptor gives (arrays, tables)
    offset: int  #: byte offset of the element in the record
    width: int  #: its bytes
    stored: str  #: "text", "int16", "int32", "flag", "currency", "single"
    descriptor: str  #: the record text's descriptor of the element's line


_DTYPES = {"int16": "int16", "int32": "int32", "flag": "int16", "single": "float32", "text": "object"}


def _pandas():
    try:
        import pandas
    except ImportError as e:  # pragma: no cover - depends on the machine
        raise ImportError(
            "nelvo_data's pandas functions need pandas: on Debian apt install python3-pandas "
            "(in a venv made with --system-site-packages it is then seen too)"
        ) from e
    return pandas


class DataFile:
    """One data file opened for reading; see nelvo_data.open.

    Safe to share between threads: every read is positional. close() (or a
    with block) lets the file go before the object does.
    """

    __slots__ = ("_f", "name")

    def __init__(self, native: Any, name: Optional[str]) -> None:
        self._f = native
        #: The path as given, or None for bytes and file objects.
        self.name = name

    # ---- what the file is ----
    @property
    def kind(self) -> str:
        """The kind, as the tool names it: "user", "bda", ... ."""
        return self._f.kind

    @property
    def layout(self) -> str:
        """The layout's name: "personnel_1920", "personnel_1513", else the kind."""
        return self._f.layout

    @property
    def record_length(self) -> int:
        """Bytes per record."""
        return self._f.record_length

    @property
    def size(self) -> int:
        """The file's size in bytes now."""
        return self._f.size

    def __len__(self) -> int:
        """The record count as the component counts it, asked of the file now:
        a trailing partial record counts when it holds more than half a record
        (its missing bytes read as zeros)."""
        return self._f.count()

    @property
    def columns(self) -> List[str]:
        """The column names in CSV order (the CSV header without "record")."""
        return self._f.columns

    @property
    def fields(self) -> List[FieldInfo]:
        """Per column: name, field, row, element, offset, width, stored type, descriptor."""
        return [FieldInfo(*f) for f in self._f.fields]

    def dtypes(self, currency: str = "float", raw_text: bool = False) -> Dict[str, np.dtype]:
        """The dtype of every column as to_numpy gives it."""
        money = {"float": "float64", "scaled": "int64", "decimal": "object"}
        if currency not in money:
            raise ValueError(f"currency must be 'float', 'decimal' or 'scaled', not {currency!r}")
        kinds = dict(_DTYPES, currency=money[currency])
        return {f.column: np.dtype(kinds[f.stored]) for f in self.fields}

    # ---- one record ----
    def record_text(self, n: int, decimal_separator: Optional[str] = None) -> str:
        """The component's record text of record n, byte for byte (CR LF line
        ends). decimal_separator as the tool's --decimal-separator; None: the
        locale's (LC_ALL, LC_NUMERIC, LANG)."""
        return self._f.record_text(n, decimal_separator)

    def raw(self, n: int) -> bytes:
        """The stored bytes of record n."""
        return self._f.raw(n)

    # ---- many records ----
    def _names(self, columns: Columns) -> Optional[List[str]]:
        if columns is None:
            return None
        names = [columns] if isinstance(columns, str) else list(columns)
        known = set(self._f.columns) | {f[1] for f in self._f.fields}
        for name in names:
            if not isinstance(name, str):
                raise TypeError(f"column names are str, not {type(name).__name__}")
            if name not in known:
                close = difflib.get_close_matches(name, sorted(known), n=3)
                hint = f"; closest: {', '.join(close)}" if close else ""
                raise KeyError(f"{self.layout} has no column or field {name!r}{hint}")
        return names

    def to_numpy(
        self,
        columns: Columns = None,
        first: int = 1,
        last: Optional[int] = None,
        currency: str = "float",
        raw_text: bool = False,
    ) -> Dict[str, np.ndarray]:
        """Records first..last (last None: to the count) as column -> 1-D array.

        columns: column names (f.columns) or field names (all the field's
        columns), in the order wanted; None: all. The dtypes are those of
        dtypes(). A record past the end raises IndexError.
        """
        return self._f.to_numpy(self._names(columns), first, last, currency, raw_text)

    def to_pandas(
        self,
        columns: Columns = None,
        first: int = 1,
        last: Optional[int] = None,
        currency: str = "float",
        raw_text: bool = False,
    ) -> "pandas.DataFrame":
        """The same as a DataFrame, indexed by record number ("record")."""
        pd = _pandas()
        arrays = self._f.to_numpy(self._names(columns), first, last, currency, raw_text)
        n = len(next(iter(arrays.values()))) if arrays else (last if last is not None else len(self)) - first + 1
        return _frame(pd, arrays, first, n)

    def iter_pandas(
        self,
        chunksize: int = 100_000,
        columns: Columns = None,
        first: int = 1,
        last: Optional[int] = None,
        currency: str = "float",
        raw_text: bool = False,
    ) -> Iterator["pandas.DataFrame"]:
        """DataFrames of at most chunksize records each, with the dtypes of
        to_pandas; memory is bounded by the chunk, not the file. The range is
        fixed when the iteration starts."""
        if chunksize < 1:
            raise ValueError(f"chunksize must be 1 or more, not {chunksize}")
        pd = _pandas()
        names = self._names(columns)
        end = len(self) if last is None else last
        if first < 1:
            raise ValueError(f"first must be 1 or more, not {first}")
        if end < first - 1:
            raise ValueError(f"last ({end}) lies before first ({first})")
        at = first
        while at <= end:
            stop = min(end, at + chunksize - 1)
            yield _frame(pd, self._f.to_numpy(names, at, stop, currency, raw_text), at, stop - at + 1)
            at = stop + 1

    # ---- life ----
    def close(self) -> None:
        """Lets the file go; later calls raise ValueError."""
        self._f.close()

    def __enter__(self) -> "DataFile":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __repr__(self) -> str:
        where = repr(self.name) if self.name is not None else "<bytes>"
        return f"<nelvo_data.DataFile {where} kind={self.kind!r} layout={self.layout!r}>"


def _frame(pd: Any, arrays: Dict[str, np.ndarray], first: int, n: int) -> "pandas.DataFrame":
    index = pd.RangeIndex(first, first + n, name="record")
    return pd.DataFrame(arrays, index=index, copy=False)


def open(source: Source, kind: Optional[str] = None, *, layout: Optional[str] = None) -> DataFile:
    """Opens a data file for reading.

    source: a path (str or os.PathLike), a bytes-like object, or a seekable
    binary file object (read with seek and readinto; its position moves).
    kind: "user", "bda", "jda", "zuschlag", "sozvers", "urlaub", "kalender",
    "tarif" (any case); None tells it from the bytes as `nelvo-data identify`
    does and raises ValueError naming the candidates when that is not
    decisive. layout: "1920" or "1513" for kind "user"; None applies the
    layout rule to the path as given (a LayoutRuleWarning when it decides on
    a "." outside the file name), and is needed for bytes and file objects.
    """
    if layout is not None:
        layout = str(layout)
    if isinstance(source, (str, os.PathLike)):
        path = os.fspath(source)
        name = os.fsdecode(path)
        try:
            native = _ext.DataFile.open_path(os.fsencode(path), kind, layout)
        except Error as e:
            e.filename = name
            raise
        note = native.layout_note
        if note:
            note = note.replace("--layout 1513", "layout='1513'").replace("--layout 1920", "layout='1920'")
            warnings.warn(note, LayoutRuleWarning, stacklevel=2)
        return DataFile(native, name)
    if isinstance(source, io.TextIOBase):
        raise TypeError("a text file object: open the file in binary mode ('rb')")
    try:
        memoryview(source)
        is_buffer = True
    except TypeError:
        is_buffer = False
    if not is_buffer:
        if not (hasattr(source, "readinto") or hasattr(source, "read")):
            raise TypeError(
                f"source must be a path, a bytes-like object or a binary file object, not {type(source).__name__}"
            )
        seekable = getattr(source, "seekable", None)
        if seekable is None or not seekable():
            raise ValueError("the file object must be seekable; read it into bytes first")
        return DataFile(_ext.DataFile.open_object(source, True, kind, layout), None)
    return DataFile(_ext.DataFile.open_object(source, False, kind, layout), None)


def read(
    source: Source,
    kind: Optional[str] = None,
    *,
    layout: Optional[str] = None,
    columns: Columns = None,
    first: int = 1,
    last: Optional[int] = None,
    currency: str = "float",
    raw_text: bool = False,
) -> "pandas.DataFrame":
    """open(source, kind, layout=layout).to_pandas(...), the file closed after."""
    with open(source, kind, layout=layout) as f:
        return f.to_pandas(columns=columns, first=first, last=last, currency=currency, raw_text=raw_text)
