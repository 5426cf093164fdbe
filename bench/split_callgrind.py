#!/usr/bin/env python3
"""Splits a callgrind profile of whole calls by whose code ran, per call.

    split_callgrind.py callgrind.out.<pid> ANCHOR [PATTERN ...]

ANCHOR is a regular expression for a function called once per measured call (for "AdRequest":
'^QevaFlutter::QevaFlutterManager::adRequest\\('); its call count divides everything. The
instructions are split among the plugin (QevaFlutter::), the channel layer (flutter::), the
headless engine with the Dart side's decoding of the reply (headless::, and everything below
headless::DartReply::Record), the stand-in SDK (QevaStandIn:: and its Qeva:: functions) and
Foundation/UIKit. A library function (std::, libc, nlohmann) counts for whoever called it; where
a library function is reached from several owners, its cost is shared in proportion to their
calls' costs, as callgrind keeps no call stacks. Each PATTERN prints the inclusive cost of the
functions it matches, per call and as a share of the whole call.

The profile should be taken with collection toggled on for the calls only and off again for
the start-up calls of each fresh plugin:
    --toggle-collect='headless::HeadlessEngine::SendBytes*'
    --toggle-collect='headless::HeadlessEngine::CallMethod*'
(CallMethod, which only the set-up uses, switches collection on and its SendBytes off again; what
CallMethod does around SendBytes is reported and left out.)
"""

import re
import sys
from collections import defaultdict


def read_profile(path):
    names = {}
    self_cost = defaultdict(int)
    arcs = defaultdict(lambda: defaultdict(int))
    calls = defaultdict(int)

    def name_of(token):
        match = re.match(r'\((\d+)\)(?: (.*))?', token)
        if not match:
            return token
        if match.group(2) is not None:
            names[match.group(1)] = match.group(2)
        return names[match.group(1)]

    function = None
    callee = None
    callee_calls = 0
    with open(path, errors='replace') as profile:
        for line in profile:
            line = line.rstrip('\n')
            if line.startswith('fn='):
                function = name_of(line[3:])
            elif line.startswith('cfn='):
                callee = name_of(line[4:])
            elif line.startswith('calls='):
                callee_calls = int(line[6:].split()[0])
            elif line and (line[0].isdigit() or line[0] in '+-*'):
                fields = line.split()
                if len(fields) < 2:
                    continue
                if callee is not None:
                    arcs[function][callee] += int(fields[1])
                    calls[callee] += callee_calls
                    callee = None
                else:
                    self_cost[function] += int(fields[1])
    return self_cost, arcs, calls


def owner(function):
    name = re.sub(r'^non-virtual thunk to ', '', function)
    if 'QevaFlutter::bench' in name or name.startswith('benchmark::'):
        return 'benchmark'
    if 'QevaStandIn::' in name or name.startswith('Qeva::'):
        return 'stand-in SDK'
    if 'QevaFlutter::' in name:
        return 'plugin'
    if re.search(r'\bflutter::', name):
        return 'channel layer'
    if 'headless::' in name:
        return 'engine + Dart side'
    if name.startswith(('Foundation::', 'UIKit::')):
        return 'Foundation/UIKit'
    return None  # A library: counts for its caller.


def main():
    self_cost, arcs, calls = read_profile(sys.argv[1])
    functions = set(self_cost) | set(arcs) | {g for callees in arcs.values() for g in callees}

    def inclusive(function):
        return self_cost[function] + sum(c for g, c in arcs[function].items() if g != function)

    shares = {}

    def breakdown(function, stack=()):
        # Fractions of |function|'s inclusive cost by owner; None is library cost not yet owned.
        if function in shares:
            return shares[function]
        total = inclusive(function)
        split = defaultdict(float)
        if total == 0:
            return split
        split[owner(function)] += self_cost[function]
        for callee, cost in arcs[function].items():
            if callee == function or callee in stack:
                continue
            for who, fraction in breakdown(callee, stack + (function,)).items():
                split[who] += cost * fraction
        if owner(function) is not None:
            split[owner(function)] += split.pop(None, 0.0)
        shares[function] = {who: value / total for who, value in split.items()}
        return shares[function]

    def matching(pattern):
        regex = re.compile(pattern)
        return [f for f in functions if regex.search(f) and 'thunk' not in f]

    anchor_calls = sum(calls[f] for f in matching(sys.argv[2]))
    if anchor_calls == 0:
        sys.exit('no call of the anchor function ' + sys.argv[2])
    whole = defaultdict(float)
    for send in matching(r'^headless::HeadlessEngine::SendBytes\('):
        for who, fraction in breakdown(send).items():
            whole[who] += inclusive(send) * fraction
    for record in matching(r'^headless::DartReply::Record\('):
        for who, fraction in breakdown(record).items():
            whole[who] -= inclusive(record) * fraction
        whole['engine + Dart side'] += inclusive(record)
    total = sum(whole.values())
    left_out = sum(inclusive(f) for f in matching(r'^headless::HeadlessEngine::CallMethod\('))
    print(f'{anchor_calls:,} calls, {total / anchor_calls:,.0f} instructions per call '
          f'({left_out:,} of the set-up left out)')
    for who, value in sorted(whole.items(), key=lambda item: -item[1]):
        print(f'  {who or "unowned":20s} {value / anchor_calls:9,.0f}  {100 * value / total:5.1f}%')
    for pattern in sys.argv[3:]:
        found = matching(pattern)
        value = sum(inclusive(f) for f in found)
        print(f'  {value / anchor_calls:9,.0f}  {100 * value / total:5.1f}%  {pattern} '
              f'({sum(calls[f] for f in found):,} calls)')


if __name__ == '__main__':
    main()
