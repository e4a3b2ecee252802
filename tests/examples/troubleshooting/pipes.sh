# The output on the terminal, and the input from a pipe:
raeval examples/union.txt /dev/stdout
sed '1c PROJECT(Emp, dept)' examples/employees.txt | raeval /dev/stdin /dev/stdout

# Several runs into one file: each run truncates its output file, so
# appending to /dev/stdout keeps only the last run; through cat, all stay.
for f in examples/union.txt examples/minus.txt; do
  raeval "$f" /dev/stdout
done >>last-only.txt
for f in examples/union.txt examples/minus.txt; do
  raeval "$f" /dev/stdout | cat >>all.txt
done
cat last-only.txt all.txt
