# Sums what a run traced by `strace -f -y -s 0 -e trace=openat,open,read,pread64,readv,preadv,preadv2`
# read, by the kind of file it read from, for scripts/bench: the page files (below `tree`), the
# merged faxes (below `out`, but for the run's own lock file and lists, whose names start with
# ".quirewell"), the run's own files and the record a run keeps (below `cache`). Prints one line:
# "page-bytes fax-bytes own-bytes record-bytes page-opens fax-opens".
# Usage: awk -v tree=DIR -v out=DIR -v cache=DIR -f bytes_read.awk TRACE
function kind(path, parts, n) {
    if (index(path, tree "/") == 1) {
        return "page"
    }
    if (index(path, cache "/") == 1) {
        return "record"
    }
    if (index(path, out "/") == 1) {
        n = split(path, parts, "/")
        return parts[n] ~ /^\.quirewell/ ? "own" : "fax"
    }
    return "other"
}

# The path strace -y prints after a descriptor, "5</dev/shm/out/F00001fax.fxm>".
function fdPath(text, start, stop) {
    start = index(text, "<")
    stop = index(text, ">")
    return (start > 0 && stop > start) ? substr(text, start + 1, stop - start - 1) : ""
}

{
    pid = $1
    line = $0
    # A call another thread interrupted is split over two lines: the call on the first, its result on
    # the second.
    if (line ~ /<unfinished \.\.\.>$/) {
        pending[pid] = line
        next
    }
    if (line ~ /<\.\.\. [a-z0-9_]+ resumed>/) {
        line = pending[pid] line
        delete pending[pid]
    }
    call = substr(line, index(line, " ") + 1)
    sub(/^ +/, "", call)
    name = substr(call, 1, index(call, "(") - 1)
    n = split(line, pieces, " = ")
    result = pieces[n]
    if (name ~ /^(read|pread64|readv|preadv|preadv2)$/) {
        if (result + 0 > 0) {
            bytes[kind(fdPath(substr(call, index(call, "(") + 1)))] += result
        }
    } else if ((name == "openat" || name == "open") && result ~ /^[0-9]/ && call !~ /O_DIRECTORY/) {
        opens[kind(fdPath(result))]++
    }
}

END {
    printf "%.0f %.0f %.0f %.0f %.0f %.0f\n", bytes["page"], bytes["fax"], bytes["own"], bytes["record"], opens["page"], opens["fax"]
}
