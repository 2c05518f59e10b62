// SPDX-License-Identifier: GPL-3.0-or-later
// Measures a session in N shards and merges them into the data file and the table, as
//   quandrel-batch SESSION -o OUT.dat   and   quandrel-batch SESSION -o OUT.csv --format csv
// write them, byte for byte.
//   nextflow run scripts/workflows/main.nf --session /data/s.json --parts 30 --jobs 2 \
//       --out run --outdir results
// Parameters:
//   --session  the session file (required); relative images are found beside it, so it is
//              passed by its absolute path, never staged into a task's work folder
//   --parts    N, the number of shards (default 10)
//   --jobs     the threads (and CPUs) of each shard (default 1)
//   --out      OUT: the results are OUT.dat and OUT.csv (default quandrel)
//   --outdir   where the results are copied (default: the launch folder)
//   --batch    the tool (default quandrel-batch on the PATH)
// The session's images must be at the same paths on every machine that runs a shard.
nextflow.enable.dsl = 2

params.session = null
params.parts = 10
params.jobs = 1
params.out = 'quandrel'
params.outdir = '.'
params.batch = 'quandrel-batch'

// One shard: part K of N into its part file.
process SHARD {
    tag "${k}/${n}"
    cpus params.jobs

    input:
    val k
    val n
    val session

    output:
    path "part-${k}-of-${n}.qpart"

    script:
    """
    '${params.batch}' '${session}' --shard ${k}/${n} -o 'part-${k}-of-${n}.qpart' \\
        --jobs ${task.cpus} --quiet
    """
}

// The merge of every part into the data file or the table. The part names go through a pipe
// (printf is the shell's own, not bound by the kernel's limit on a command line).
process MERGE {
    tag "${format}"
    publishDir params.outdir, mode: 'copy'

    input:
    path parts
    each format

    output:
    path "${params.out}.${format}"

    script:
    """
    printf '%s\\0' ${parts} | '${params.batch}' merge --parts-from - \\
        -o '${params.out}.${format}' --format ${format}
    """
}

workflow {
    if (!params.session) {
        error "give the session: --session SESSION.json"
    }
    def n = params.parts as int
    if (n < 1 || n > 1000000) {
        error "--parts must be from 1 to 1000000, not ${params.parts}"
    }
    def session = file(params.session).toAbsolutePath().toString()
    def parts = SHARD(Channel.of(1..n), n, session)
    MERGE(parts.collect(), ['dat', 'csv'])
}
