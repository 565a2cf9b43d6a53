#!/usr/bin/env python3
"""Compiles an ASN.1 module (the subset our protocol modules use) into the C wire
structures and the descriptor tables of the BER runtime.

    asn1gen.py MODULE.asn NAME OUTDIR

writes OUTDIR/internal/ber_mod_NAME.h and OUTDIR/ber_mod_NAME.cc. PDU numbers are
given in the ASN.1 text by a comment `--@pdu N [N...]` on a line of the type's
assignment (the line of `::=` or a later one before the next assignment).

Supported: BOOLEAN, INTEGER (16-bit, 32-bit or the two-word 64-bit cardinal, chosen
from the value range), ENUMERATED, REAL, NULL, OCTET STRING, BIT STRING, OBJECT
IDENTIFIER, ANY, the 8-bit character string types, SEQUENCE / SET with OPTIONAL
components, SEQUENCE OF / SET OF, CHOICE, type references, tags of every class,
IMPLICIT / EXPLICIT, AUTOMATIC TAGS, SIZE and value-range constraints.
"""
import os
import re
import sys
from dataclasses import dataclass, field
from typing import Optional, Union

UNIVERSAL = {
    'BOOLEAN': 1, 'INTEGER': 2, 'BIT STRING': 3, 'OCTET STRING': 4, 'NULL': 5,
    'OBJECT IDENTIFIER': 6, 'ObjectDescriptor': 7, 'REAL': 9, 'ENUMERATED': 10,
    'UTF8String': 12, 'SEQUENCE': 16, 'SET': 17, 'NumericString': 18,
    'PrintableString': 19, 'TeletexString': 20, 'T61String': 20, 'VideotexString': 21,
    'IA5String': 22, 'GraphicString': 25, 'VisibleString': 26, 'ISO646String': 26,
    'GeneralString': 27,
}
CHAR_TYPES = {k for k, v in UNIVERSAL.items() if v in (7, 12, 18, 19, 20, 21, 22, 25, 26, 27)}
CLASSES = {'UNIVERSAL': 'BER_CLASS_UNIVERSAL', 'APPLICATION': 'BER_CLASS_APPLICATION',
           'PRIVATE': 'BER_CLASS_PRIVATE', None: 'BER_CLASS_CONTEXT'}
C_KEYWORDS = set('''auto break case char const continue default do double else enum extern
float for goto if inline int long register restrict return short signed sizeof static struct
switch typedef union unsigned void volatile while and or not xor bool class delete new private
protected public template this throw try catch namespace operator friend virtual true false
explicit export mutable typename using asm bitand bitor compl not_eq or_eq xor_eq and_eq
wchar_t'''.split())
MAX = 'MAX'
MIN = 'MIN'


class Fail(Exception):
    pass


def cname(name):
    n = name.replace('-', '_')
    return n + '_' if n in C_KEYWORDS else n


Bound = Union[int, str]  # a number, MIN or MAX


@dataclass(frozen=True)
class Tag:
    """A tag written in front of a type: [APPLICATION 3] IMPLICIT."""
    cls: Optional[str]   # UNIVERSAL, APPLICATION, PRIVATE; None for a context tag
    number: int
    mode: Optional[str]  # IMPLICIT, EXPLICIT; None when the module's default applies


@dataclass(eq=False)
class Node:
    """One type expression as written."""
    base: str                       # builtin name, 'REF', 'SEQUENCE', 'SEQOF', 'CHOICE'
    ref: Optional[str] = None       # REF: the referenced type's name
    tag: Optional[Tag] = None
    fields: list['Field'] = field(default_factory=list)  # SEQUENCE / CHOICE components
    elem: Optional['Node'] = None   # SEQOF element type
    size: Optional[tuple[Bound, Bound]] = None   # SIZE constraint
    range: Optional[tuple[Bound, Bound]] = None  # value range
    names: list[tuple[str, Optional[int]]] = field(default_factory=list)  # named values
    setof: bool = False             # SET rather than SEQUENCE (universal tag 17)


@dataclass(eq=False)
class Field:
    """A component of a SEQUENCE or an alternative of a CHOICE, as written."""
    name: str
    node: Node
    optional: bool


# ---------------------------------------------------------------- parsing

TOKEN = re.compile(r'::=|\.\.\.|\.\.|[{}()\[\],|;]|-?\d+|[A-Za-z][A-Za-z0-9-]*')


def tokenize(text):
    tokens, pdus = [], []
    for lineno, line in enumerate(text.split('\n'), 1):
        m = re.search(r'--@pdu((?:\s+\d+)+)', line)
        if m:
            pdus.append((lineno, [int(x) for x in m.group(1).split()]))
        # Comments: "--" to the end of the line or to the next "--".
        line = re.sub(r'--.*?(--|$)', ' ', line)
        pos = 0
        while pos < len(line):
            if line[pos].isspace():
                pos += 1
                continue
            t = TOKEN.match(line, pos)
            if not t:
                raise Fail('line %d: unexpected %r' % (lineno, line[pos:pos + 10]))
            tokens.append((t.group(0), lineno))
            pos = t.end()
    return tokens, pdus


class Parser:
    def __init__(self, tokens):
        self.toks, self.i = tokens, 0

    def peek(self, k=0):
        j = self.i + k
        return self.toks[j][0] if j < len(self.toks) else None

    def line(self):
        return self.toks[min(self.i, len(self.toks) - 1)][1]

    def take(self, expect=None):
        if self.i >= len(self.toks):
            raise Fail('unexpected end of module')
        t = self.toks[self.i][0]
        if expect is not None and t != expect:
            raise Fail('line %d: expected %s, found %s' % (self.line(), expect, t))
        self.i += 1
        return t

    def module(self):
        name = self.take()
        if self.peek() == '{':
            while self.take() != '}':
                pass
        self.take('DEFINITIONS')
        automatic = False
        while self.peek() != '::=':
            t = self.take()
            automatic = automatic or t == 'AUTOMATIC'
        self.take('::=')
        self.take('BEGIN')
        assigns = []
        while self.peek() != 'END':
            line = self.line()
            tname = self.take()
            self.take('::=')
            assigns.append((tname, self.type(), line))
        return name, automatic, assigns

    def value(self):
        t = self.take()
        if t in (MAX, MIN):
            return t
        return int(t)

    def constraint(self, node):
        self.take('(')
        if self.peek() == 'SIZE':
            self.take()
            self.take('(')
            node.size = self.range_()
            self.take(')')
        else:
            node.range = self.range_()
        self.take(')')

    def range_(self):
        lo = self.value()
        hi = lo
        if self.peek() == '..':
            self.take()
            hi = self.value()
        return (lo, hi)

    def named_list(self):
        names = []
        self.take('{')
        while True:
            n = self.take()
            v = None
            if self.peek() == '(':
                self.take()
                v = int(self.take())
                self.take(')')
            names.append((n, v))
            if self.take() == '}':
                return names

    def components(self):
        fields = []
        self.take('{')
        while True:
            name = self.take()
            node = self.type()
            optional = False
            if self.peek() == 'OPTIONAL':
                self.take()
                optional = True
            fields.append(Field(name, node, optional))
            if self.take() == '}':
                return fields

    def type(self):
        tag = None
        if self.peek() == '[':
            self.take()
            cls = None
            if self.peek() in ('UNIVERSAL', 'APPLICATION', 'PRIVATE'):
                cls = self.take()
            num = int(self.take())
            self.take(']')
            mode = None
            if self.peek() in ('IMPLICIT', 'EXPLICIT'):
                mode = self.take()
            tag = Tag(cls, num, mode)
        node = self.base()
        node.tag = tag
        while self.peek() == '(':
            self.constraint(node)
        return node

    def base(self):
        t = self.take()
        if t in ('OCTET', 'BIT'):
            self.take('STRING')
            node = Node(t + ' STRING')
            if t == 'BIT' and self.peek() == '{':
                self.named_list()
            return node
        if t == 'OBJECT':
            self.take('IDENTIFIER')
            return Node('OBJECT IDENTIFIER')
        if t == 'INTEGER':
            node = Node('INTEGER')
            if self.peek() == '{':
                node.names = self.named_list()
            return node
        if t == 'ENUMERATED':
            return Node('ENUMERATED', names=self.named_list())
        if t == 'ANY':
            if self.peek() == 'DEFINED':
                self.take()
                self.take('BY')
                self.take()
            return Node('ANY')
        if t in ('BOOLEAN', 'REAL', 'NULL') or t in CHAR_TYPES:
            return Node(t)
        if t in ('SEQUENCE', 'SET'):
            if self.peek() == '{':
                return Node('SEQUENCE', fields=self.components(), setof=(t == 'SET'))
            node = Node('SEQOF', setof=(t == 'SET'))
            if self.peek() == 'SIZE':
                self.take()
                self.take('(')
                node.size = self.range_()
                self.take(')')
            elif self.peek() == '(':
                self.constraint(node)
            self.take('OF')
            node.elem = self.type()
            return node
        if t == 'CHOICE':
            return Node('CHOICE', fields=self.components())
        if t[0].isupper():
            return Node('REF', ref=t)
        raise Fail('line %d: unknown type %s' % (self.line(), t))


# ---------------------------------------------------------------- resolution

class Compiler:
    def __init__(self, modname, automatic, assigns, pdus):
        self.mod = modname
        self.automatic = automatic
        self.assigns = {n: node for n, node, _ in assigns}
        if len(self.assigns) != len(assigns):
            raise Fail('a type is assigned twice')
        self.order = [n for n, _, _ in assigns]
        self.lines = sorted((line, n) for n, _, line in assigns)
        self.pdus = {}
        for line, nums in pdus:
            owner = None
            for start, n in self.lines:
                if start <= line:
                    owner = n
            if owner is None:
                raise Fail('line %d: PDU annotation before any type' % line)
            for num in nums:
                if num in self.pdus:
                    raise Fail('PDU %d given twice' % num)
                self.pdus[num] = owner

    def tag_expr(self, cls, num):
        return '(%s | %du)' % (CLASSES[cls], num)


@dataclass(eq=False)
class FieldInfo:
    """A laid-out component: what its ber_field row says."""
    name: str           # as in the ASN.1 text
    cname: str          # the C member
    info: 'TypeInfo'    # its type (an alias stays an alias: the row names the real one)
    tag: str            # C expression of the component's own tag, '0' when untagged
    mode: str           # BER_TAG_NONE, BER_TAG_IMPLICIT or BER_TAG_EXPLICIT
    bit: Union[int, str]  # presence bit number, or BER_MANDATORY / BER_OPT_NONNULL
    pointer: bool = False  # held through a pointer to break a by-value cycle


@dataclass(eq=False)
class TypeInfo:
    """A laid-out type: its C representation and what its ber_type descriptor says.

    A named assignment that only refers to another type (A ::= B) is an alias: it keeps
    `alias` and nothing else of its own."""
    cname: str
    asn: Optional[str]  # the assigned name; None for an anonymous component type
    node: Node
    alias: Optional['TypeInfo'] = None
    kind: str = ''      # BER_K_...
    ctype: str = ''     # the C type that holds a value
    tag: str = 'BER_NOTAG'   # C expressions of the descriptor's tags
    etag: str = 'BER_NOTAG'
    utag: int = 0       # strings: universal tag of the segments of a constructed form
    byvalue: bool = False  # held inline, so its C declaration must come first
    mask: int = 0       # SEQUENCE: bytes of presence mask
    fields: list[FieldInfo] = field(default_factory=list)
    elem: Optional['TypeInfo'] = None  # SEQOF element
    decl: Optional[str] = None   # the struct of an inline octet string
    array: Optional[str] = None  # the typedef of an inline character string

    @property
    def constructed(self):
        return self.kind in ('BER_K_SEQUENCE', 'BER_K_CHOICE')


def int_kind(rng):
    if not rng:
        return 'BER_K_INT32', 'int32_t'
    lo, hi = rng
    if hi != MAX and hi > 2**31 - 1:
        return 'BER_K_CARD64', 'ber_card64'
    if lo not in (MIN, MAX) and hi not in (MIN, MAX) and lo >= -32768 and hi <= 32767:
        return 'BER_K_INT16', 'int16_t'
    return 'BER_K_INT32', 'int32_t'


def bound(v, default):
    return default if v in (MIN, MAX, None) else v


def designated(members):
    """A braced initializer naming each member: {.a = 1, .b = x}."""
    return '{%s}' % ', '.join('.%s = %s' % m for m in members)


class Emitter(Compiler):
    """Turns the parsed module into C declarations and descriptor tables.

    Each type gets a TypeInfo: kind, C type, tags, fields. An alias (A ::= B) has the
    same C type as B and its own descriptor (with its own name) sharing B's tables."""

    def run(self):
        self.info: dict[Node, TypeInfo] = {}
        for n in self.order:
            self.layout(self.assigns[n], cname(n), n)
        self.break_cycles()
        self.topo()

    def layout(self, node, cn, asn_name) -> TypeInfo:
        if node in self.info:
            return self.info[node]
        info = TypeInfo(cname=cn, asn=asn_name, node=node)
        self.info[node] = info
        if node.base == 'REF':
            if node.tag or node.size or node.range:
                raise Fail('%s: tags or constraints on a type reference are not supported' % cn)
            if node.ref not in self.assigns:
                raise Fail('unknown type ' + node.ref)
            info.alias = self.layout(self.assigns[node.ref], cname(node.ref), node.ref)
            return info
        self.layout_builtin(node, info, cn)
        if node.tag and asn_name is not None:
            t = self.tag_expr(node.tag.cls, node.tag.number)
            open_ = info.kind in ('BER_K_CHOICE', 'BER_K_OPEN')
            if node.tag.mode == 'EXPLICIT' or open_ or (node.tag.mode is None
                                                         and not self.automatic):
                info.etag = t
            else:
                info.tag = t
        return info

    def real(self, info: TypeInfo) -> TypeInfo:
        seen = 0
        while info.alias is not None:
            info = info.alias
            seen += 1
            if seen > 100:
                raise Fail('circular type alias')
        return info

    def field_info(self, node, parent_cn, fn) -> TypeInfo:
        if node.base == 'REF':
            if node.ref not in self.assigns:
                raise Fail('unknown type ' + node.ref)
            return self.layout(self.assigns[node.ref], cname(node.ref), node.ref)
        saved, node.tag = node.tag, None  # the component's tag belongs to the component
        info = self.layout(node, parent_cn + '_' + fn, None)
        node.tag = saved
        return info

    def layout_builtin(self, node, info: TypeInfo, cn):
        b = node.base
        if b in UNIVERSAL and b not in ('SEQUENCE', 'SET'):
            info.tag = self.tag_expr('UNIVERSAL', UNIVERSAL[b])
        if b == 'BOOLEAN':
            info.kind, info.ctype = 'BER_K_BOOLEAN', 'uint8_t'
        elif b == 'INTEGER':
            info.kind, info.ctype = int_kind(node.range)
        elif b == 'ENUMERATED':
            info.kind, info.ctype = 'BER_K_ENUM', 'int32_t'
        elif b == 'REAL':
            info.kind, info.ctype = 'BER_K_REAL', 'double'
        elif b == 'NULL':
            info.kind, info.ctype = 'BER_K_NULL', 'uint8_t'
        elif b == 'OBJECT IDENTIFIER':
            info.kind, info.ctype = 'BER_K_OID', 'ber_oid'
        elif b == 'ANY':
            info.kind, info.ctype = 'BER_K_OPEN', 'ber_octets'
        elif b == 'BIT STRING':
            info.kind, info.ctype, info.utag = 'BER_K_BITS', 'ber_bits', 3
        elif b == 'OCTET STRING' or b in CHAR_TYPES:
            info.utag = 4  # segments of a constructed form are OCTET STRINGs
            hi = node.size[1] if node.size else None
            inline = hi not in (None, MAX) and hi <= 65535
            if b == 'OCTET STRING':
                info.kind = 'BER_K_OCTETS_INLINE' if inline else 'BER_K_OCTETS'
                info.ctype = cn if inline else 'ber_octets'
                if inline:
                    info.decl = 'struct %s {\n  uint16_t length;\n  uint8_t value[%d];\n};' % (
                        cn, hi)
            else:
                info.kind = 'BER_K_CHARS_INLINE' if inline else 'BER_K_CHARS'
                info.ctype = cn if inline else 'char *'
                if inline:
                    info.array = 'typedef char %s[%d];' % (cn, hi + 1)
            info.byvalue = inline
        elif b == 'SEQUENCE':
            info.kind, info.ctype = 'BER_K_SEQUENCE', cn
            info.tag = self.tag_expr('UNIVERSAL', 17 if node.setof else 16)
            info.byvalue = True
            self.layout_fields(node, info, cn)
        elif b == 'CHOICE':
            info.kind, info.ctype = 'BER_K_CHOICE', cn
            info.byvalue = True
            self.layout_fields(node, info, cn)
        elif b == 'SEQOF':
            info.kind, info.ctype = 'BER_K_SEQOF', cn
            info.tag = self.tag_expr('UNIVERSAL', 17 if node.setof else 16)
            if node.elem.base != 'REF' and node.elem.tag:
                raise Fail('%s: tagged anonymous element types are not supported' % cn)
            info.elem = self.field_info(node.elem, cn, 'elem')
        else:
            raise Fail('unsupported type ' + b)

    def layout_fields(self, node, info: TypeInfo, cn):
        tagged = any(f.node.tag for f in node.fields)
        auto = self.automatic and not tagged
        nopt = 0
        for i, f in enumerate(node.fields):
            fn = cname(f.name)
            sub = self.field_info(f.node, cn, fn)
            r = self.real(sub)
            open_ = r.kind in ('BER_K_CHOICE', 'BER_K_OPEN') and r.etag == 'BER_NOTAG'
            tag = Tag(None, i, None) if auto else f.node.tag
            if tag:
                mode = tag.mode
                if mode is None:
                    mode = 'EXPLICIT' if (open_ or not self.automatic) else 'IMPLICIT'
                if mode == 'IMPLICIT' and open_:
                    mode = 'EXPLICIT'
                ftag, fmode = self.tag_expr(tag.cls, tag.number), 'BER_TAG_' + mode
            else:
                ftag, fmode = '0', 'BER_TAG_NONE'
            bit = 'BER_MANDATORY'
            if f.optional and node.base == 'SEQUENCE':
                if r.kind == 'BER_K_CHARS':
                    bit = 'BER_OPT_NONNULL'
                else:
                    bit = nopt
                    nopt += 1
            info.fields.append(FieldInfo(name=f.name, cname=fn, info=sub, tag=ftag, mode=fmode,
                                         bit=bit))
        if nopt > 16:
            raise Fail(cn + ': more than 16 optional components')
        info.mask = 0 if nopt == 0 else (1 if nopt <= 8 else 2)
        # The first optional component gets the highest bit of the mask.
        width = 8 * info.mask
        for fd in info.fields:
            if isinstance(fd.bit, int):
                fd.bit = width - 1 - fd.bit

    # The C structures must be declared before they are held by value; a cycle of
    # by-value holding (a recursive type) is broken by holding one field through a
    # pointer.
    def value_deps(self, info: TypeInfo) -> list[tuple[Optional[FieldInfo], TypeInfo]]:
        if info.constructed:
            return [(fd, self.real(fd.info)) for fd in info.fields
                    if not fd.pointer and self.real(fd.info).byvalue]
        if info.kind == 'BER_K_SEQOF':
            return [(None, self.real(info.elem))]
        return []

    def reals(self) -> list[TypeInfo]:
        return [info for info in self.info.values() if info.alias is None]

    def break_cycles(self):
        state = {}

        def visit(info):
            state[info] = 1
            for fd, dep in self.value_deps(info):
                s = state.get(dep)
                if s == 1:
                    if fd is None:
                        raise Fail('%s: a list node holds itself' % info.cname)
                    fd.pointer = True
                elif s is None:
                    visit(dep)
            state[info] = 2

        for info in self.reals():
            if info not in state:
                visit(info)

    def topo(self):
        done, order = set(), []

        def visit(info):
            if info in done:
                return
            done.add(info)
            for _, dep in self.value_deps(info):
                visit(dep)
            order.append(info)

        for info in self.reals():
            visit(info)
        self.struct_order: list[TypeInfo] = order

    # ------------------------------------------------------------ output
    def dname(self, info: TypeInfo):
        return '%s_d_%s' % (self.mod, info.cname)

    def ctype_of(self, info: TypeInfo):
        r = self.real(info)
        if r.constructed or r.kind == 'BER_K_SEQOF' or r.decl or r.array:
            return r.cname
        return r.ctype

    def aliases(self) -> list[tuple[str, TypeInfo]]:
        return [(n, self.info[self.assigns[n]]) for n in self.order
                if self.info[self.assigns[n]].alias is not None]

    def header(self, src_name):
        guard = 'KQ_BER_MOD_%s_H' % self.mod.upper()
        out = ['/* Generated from %s by asn1gen.py: do not edit. */' % src_name,
               '#ifndef ' + guard, '#define ' + guard, '',
               '#include <stdint.h>', '', '#include "internal/ber_desc.h"',
               '#include "internal/ber_runtime.h"', '',
               '#ifdef __cplusplus', 'extern "C" {', '#endif', '']
        for info in self.struct_order:
            if info.constructed or info.decl:
                out.append('typedef struct %s %s;' % (info.cname, info.cname))
            elif info.kind == 'BER_K_SEQOF':
                out.append('typedef struct %s_node *%s;' % (info.cname, info.cname))
        out.append('')
        defines = []
        for info in self.struct_order:
            out.extend(self.c_decl(info, defines))
        for n, info in self.aliases():
            out.append('typedef %s %s;' % (self.ctype_of(info), cname(n)))
        out.append('')
        out.extend(defines)
        out.append('')
        for info in self.struct_order:
            out.append('extern const ber_type %s;' % self.dname(info))
        for n, info in self.aliases():
            out.append('extern const ber_type %s;' % self.dname(info))
        out.append('')
        for num in sorted(self.pdus):
            out.append('#define %s_PDU %d' % (cname(self.pdus[num]), num))
        out += ['', 'extern const ber_module %s;' % self.mod,
                'int _ossinit_%s(OssGlobal *world);' % self.mod, '',
                '#ifdef __cplusplus', '}', '#endif', '', '#endif', '']
        return '\n'.join(out)

    def member(self, fd: FieldInfo):
        return '%s%s %s;' % (self.ctype_of(fd.info), ' *' if fd.pointer else '', fd.cname)

    def c_decl(self, info: TypeInfo, defines):
        k, cn = info.kind, info.cname
        out = []
        if info.decl:
            out.append(info.decl)
        elif info.array:
            out.append(info.array)
        elif k == 'BER_K_SEQUENCE':
            out.append('struct %s {' % cn)
            if info.mask:
                out.append('  uint%d_t bit_mask;' % (8 * info.mask))
            for fd in info.fields:
                out.append('  ' + self.member(fd))
                if isinstance(fd.bit, int):
                    defines.append('#define %s_%s_present 0x%x' % (cn, fd.cname, 1 << fd.bit))
            out.append('};')
        elif k == 'BER_K_CHOICE':
            out += ['struct %s {' % cn, '  uint16_t choice;', '  union {']
            for i, fd in enumerate(info.fields):
                out.append('    ' + self.member(fd))
                defines.append('#define %s_%s_chosen %d' % (cn, fd.cname, i + 1))
            out += ['  } u;', '};']
        elif k == 'BER_K_SEQOF':
            out += ['struct %s_node {' % cn, '  struct %s_node *next;' % cn,
                    '  %s value;' % self.ctype_of(info.elem), '};']
        elif info.asn is not None:
            out.append('typedef %s %s;' % (info.ctype, cn))
        for n, v in info.node.names:
            if v is not None:
                defines.append('#define %s_%s %d' % (cn, cname(n), v))
        return out

    # Every row names the members it sets, in the order ber_desc.h declares them; the
    # members it leaves out are zero. g++ warns about members left out of designated
    # initializers too, hence the pragma in the output.
    def tables_cc(self, src_name):
        out = ['/* Generated from %s by asn1gen.py: do not edit. */' % src_name,
               '#include <stddef.h>', '', '#include "internal/ber_mod_%s.h"' % self.mod, '',
               '// Members a row does not name are zero.',
               '#pragma GCC diagnostic ignored "-Wmissing-field-initializers"', '']
        for info in self.struct_order:
            out.append(self.descriptor(info, info.asn or info.cname, self.dname(info)))
        for n, info in self.aliases():
            out.append(self.descriptor(self.real(info), n, self.dname(info), shared=True))
        out.append('static const ber_pdu %s_pdus[] = {' % self.mod)
        for num in sorted(self.pdus):
            n = self.pdus[num]
            out.append('  %s,' % designated([
                ('number', num), ('name', '"%s"' % n),
                ('type', '&' + self.dname(self.info[self.assigns[n]]))]))
        out.append('};')
        real = any(i.kind == 'BER_K_REAL' for i in self.info.values())
        out += ['', 'extern "C" int _ossinit_%s(OssGlobal *world) {' % self.mod,
                '  int rc = ossLinkBer(world);']
        if real:
            out.append('  if (rc == 0) rc = ossLinkBerReal(world);')
        out += ['  return rc;', '}', '',
                'extern "C" const ber_module %s = %s;' % (self.mod, designated([
                    ('name', '"%s"' % self.mod), ('pdus', '%s_pdus' % self.mod),
                    ('npdus', len(self.pdus)), ('init', '_ossinit_' + self.mod)])), '']
        return '\n'.join(out)

    def field_row(self, info: TypeInfo, fd: FieldInfo):
        member = fd.cname if info.kind == 'BER_K_SEQUENCE' else 'u.' + fd.cname
        row = [('name', '"%s"' % fd.name), ('type', '&' + self.dname(self.real(fd.info))),
               ('offset', 'offsetof(%s, %s)' % (info.cname, member))]
        if fd.mode != 'BER_TAG_NONE':
            row.append(('tag', fd.tag))
        row += [('mode', fd.mode), ('bit', fd.bit)]
        if fd.pointer:
            row.append(('pointer', 1))
        return '  %s,' % designated(row)

    def descriptor(self, info: TypeInfo, asn, dn, shared=False):
        k, cn = info.kind, info.cname
        node = info.node
        lines = []
        desc = [('name', '"%s"' % asn), ('kind', k)]
        if info.mask:
            desc.append(('mask_bytes', info.mask))
        if info.utag:
            desc.append(('utag', info.utag))
        desc += [('tag', info.tag), ('etag', info.etag),
                 ('size', 'sizeof(%s)' % self.ctype_of(info))]
        if node.size:
            lo, hi = bound(node.size[0], 0), bound(node.size[1], 0)
            if lo or hi:
                desc += [('lower', '%du' % lo), ('upper', '%du' % hi)]
        if info.constructed:
            fields = '%s_f_%s' % (self.mod, cn)
            if not shared:
                lines.append('static const ber_field %s[] = {' % fields)
                lines += [self.field_row(info, fd) for fd in info.fields]
                lines.append('};')
            desc += [('fields', fields), ('nfields', len(info.fields))]
        if k == 'BER_K_SEQOF':
            desc += [('elem', '&' + self.dname(self.real(info.elem))),
                     ('elem_offset', 'offsetof(struct %s_node, value)' % cn),
                     ('node_size', 'sizeof(struct %s_node)' % cn)]
        if k == 'BER_K_ENUM':
            names = '%s_n_%s' % (self.mod, cn)
            if not shared:
                lines.append('static const ber_named %s[] = {' % names)
                for n, v in node.names:
                    if v is None:
                        raise Fail('%s: every enumeration item needs its number' % cn)
                    lines.append('  %s,' % designated([('value', v), ('name', '"%s"' % n)]))
                lines.append('};')
            desc += [('names', names), ('nnames', len(node.names))]
        lines.append('extern "C" const ber_type %s = {' % dn)
        lines += ['    .%s = %s,' % m for m in desc]
        lines.append('};')
        return '\n'.join(lines)


def main():
    if len(sys.argv) != 4:
        sys.exit('usage: asn1gen.py MODULE.asn NAME OUTDIR')
    src, mod, outdir = sys.argv[1:]
    try:
        tokens, pdus = tokenize(open(src).read())
        _, automatic, assigns = Parser(tokens).module()
        em = Emitter(mod, automatic, assigns, pdus)
        em.run()
        base = os.path.basename(src)
        body = em.tables_cc(base)
        head = em.header(base)
    except Fail as e:
        sys.exit('%s: %s' % (src, e))
    os.makedirs(os.path.join(outdir, 'internal'), exist_ok=True)
    for path, text in ((os.path.join(outdir, 'internal', 'ber_mod_%s.h' % mod), head),
                       (os.path.join(outdir, 'ber_mod_%s.cc' % mod), body)):
        old = open(path).read() if os.path.exists(path) else None
        if old != text:
            with open(path, 'w') as f:
                f.write(text)


if __name__ == '__main__':
    main()
