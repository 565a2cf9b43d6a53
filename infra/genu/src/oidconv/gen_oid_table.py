#!/usr/bin/env python3
"""Builds the compiled object identifier table from data/oids.txt.

Writes two files:
  oid_table.cc        the 1657 table entries, their BER and binary forms, the named
                      constant object of every identifier, and the BER and name
                      indexes, both sorted here once and for all;
  genu_oid_ids.h      the public declarations of the named constant objects;
  genu_names.h        (when asked) named constants for callers that build requests:
                      the short OID of every named identifier and the value type id
                      of every syntax, from the same rows as the table.

usage: gen_oid_table.py DATA OUT_CC OUT_H [OUT_NAMES_H]
"""
import sys

ENTRIES = 1657          # 0..1092 and 3000..3563 (entries 1093..1656)
HIGH_SHIFT = 1907       # entry = short OID - 1907 from short OID 3000 on
NO_TYPE = 255


def entry_of(shoid):
    if 0 <= shoid <= 1092:
        return shoid
    if 3000 <= shoid <= 3563:
        return shoid - HIGH_SHIFT
    raise ValueError('short OID %d outside the table' % shoid)


def content_octets(dotted):
    arcs = [int(a) for a in dotted.split('.')]
    if len(arcs) < 2 or arcs[0] > 2 or (arcs[0] < 2 and arcs[1] >= 40):
        raise ValueError('bad OID ' + dotted)
    first = arcs[0] * 40 + arcs[1]
    if first > 255:
        raise ValueError('first octet of %s above 255' % dotted)
    out = [first]
    for arc in arcs[2:]:
        groups = [arc & 0x7f]
        arc >>= 7
        while arc:
            groups.append(0x80 | (arc & 0x7f))
            arc >>= 7
        out.extend(reversed(groups))
    if len(out) >= 128:
        raise ValueError('OID %s too long' % dotted)
    return out


def read_rows(path):
    rows = {}
    for lineno, line in enumerate(open(path, encoding='ascii'), 1):
        line = line.strip()
        if not line or line.startswith('#'):
            continue
        shoid, name, dotted, vtype = line.split()
        e = entry_of(int(shoid))
        if e in rows:
            raise ValueError('%s:%d: short OID %s twice' % (path, lineno, shoid))
        octets = None if dotted == '-' else content_octets(dotted)
        rows[e] = (name, octets, NO_TYPE if vtype == '-' else int(vtype))
    return rows


def names_header(table):
    """The short OID of every named identifier (GENU_SHOID_ID_ATT_JOB_NAME) and the
    value type id of every syntax row (GEN_TYPE_SIMPLE_NAME for id-syn-simple-name)."""
    upper = lambda name: name.replace('-', '_').upper()
    h = ['/* Generated from data/oids.txt by gen_oid_table.py. Do not edit.',
         ' * Named constants for building requests: GENU_SHOID_<NAME> is the short OID of',
         ' * the identifier <name> (GENU_SHOID_ID_ATT_JOB_NAME for id-att-job-name), and',
         ' * GEN_TYPE_<SYNTAX> is the value type id of the generic value records of that',
         ' * attribute syntax (GEN_TYPE_SIMPLE_NAME, from id-syn-simple-name). */',
         '#ifndef KQ_INFRA_GENU_NAMES_H', '#define KQ_INFRA_GENU_NAMES_H', '']
    seen = set()
    types = []
    for e, (name, octets, vtype) in enumerate(table):
        if not octets:
            continue
        macro = 'GENU_SHOID_' + upper(name)
        if macro in seen:
            raise ValueError('two identifiers make the constant ' + macro)
        seen.add(macro)
        h.append('#define %s %dU' % (macro, e if e <= 1092 else e + HIGH_SHIFT))
        if name.startswith('id-syn-') and vtype != NO_TYPE:
            types.append(('GEN_TYPE_' + upper(name[len('id-syn-'):]), vtype))
    h.append('')
    h += ['#define %s %d' % t for t in types]
    h += ['', '#endif', '']
    return '\n'.join(h)


def main(data, out_cc, out_h, out_names_h=None):
    rows = read_rows(data)
    table = []
    for e in range(ENTRIES):
        if e == ENTRIES - 1:
            table.append(('', None, NO_TYPE))
        elif e in rows:
            table.append(rows[e])
        else:
            shoid = e if e <= 1092 else e + HIGH_SHIFT
            table.append(('nil-%d' % shoid, None, NO_TYPE))
    names = [t[0] for t in table[:-1]]
    if len(set(names)) != len(names):
        raise ValueError('duplicate names in ' + data)
    octet_sets = [bytes(t[1]) for t in table if t[1]]
    if len(set(octet_sets)) != len(octet_sets):
        raise ValueError('duplicate OIDs in ' + data)

    ident = lambda name: name.replace('-', '_')
    cc = ['// Generated from data/oids.txt by gen_oid_table.py. Do not edit.',
          '#include "private/oidconv_table.h"', '', 'extern "C" {']
    for e, (name, octets, _) in enumerate(table):
        if not octets:
            continue
        body = ', '.join('0x%02x' % o for o in octets)
        cc.append('static const unsigned char bin_%d[] = {6, %d, %s, 0};' % (e, len(octets), body))
        cc.append('const GENU_berOid_t %s = {%d, bin_%d + 2};' % (ident(name), len(octets), e))
    cc += ['}', '', 'namespace kq::genu {', '',
           'const OidEntry oidTable[kTableEntries] = {']
    for e, (name, octets, vtype) in enumerate(table):
        if octets:
            cc.append('    {"%s", &%s, bin_%d, %d},' % (name, ident(name), e, vtype))
        else:
            cc.append('    {"%s", nullptr, nullptr, %d},' % (name, vtype))
    cc.append('};')

    # BER order: by content octets, a shorter prefix first; formless entries first.
    ber_order = sorted(range(ENTRIES - 1), key=lambda e: (table[e][1] is not None, table[e][1] or []))
    # Name order: C-locale collation, which is byte order.
    name_order = sorted(range(ENTRIES - 1), key=lambda e: table[e][0].encode('ascii'))
    for var, order in (('bertable', ber_order), ('nametable', name_order)):
        cc.append('const OidIndexEntry %s[kIndexEntries] = {' % var)
        cc.extend('    {&oidTable[%d], %d},' % (e, e) for e in order)
        cc.append('};')
    cc += ['', '}  // namespace kq::genu', '']
    open(out_cc, 'w').write('\n'.join(cc))

    h = ['/* Generated from data/oids.txt by gen_oid_table.py. Do not edit.',
         ' * The named constant object (BER form) of every known identifier. */',
         '#ifndef KQ_INFRA_GENU_OID_IDS_H', '#define KQ_INFRA_GENU_OID_IDS_H', '',
         '#ifndef KQ_INFRA_GENU_OID_H', '#error "include infra/genu_oid.h instead"', '#endif', '']
    h += ['KQ_EXPORT extern const GENU_berOid_t %s;' % ident(t[0]) for t in table if t[1]]
    h += ['', '#endif', '']
    open(out_h, 'w').write('\n'.join(h))
    if out_names_h:
        open(out_names_h, 'w').write(names_header(table))


if __name__ == '__main__':
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    try:
        main(*sys.argv[1:])
    except ValueError as err:
        sys.exit('gen_oid_table.py: %s' % err)
