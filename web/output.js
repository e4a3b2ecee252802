// The output pane: the output file's text, its error line standing out. A
// long text is drawn a screenful at a time: the pane holds a spacer as tall
// as all its lines and only the lines in view, so that showing a result of
// a hundred thousand rows costs what showing a screenful does.
const DRAWN_WHOLE_LINES = 2000;
const MARGIN_LINES = 40;

export class OutputView {
  constructor(element) {
    this.element = element;
    this.text = '';
    this.starts = null;  // each line's start, when drawn a screenful at a time
    this.errorStart = -1;
    this.pending = false;
    element.addEventListener('scroll', () => {
      if (!this.starts || this.pending) return;
      this.pending = true;
      requestAnimationFrame(() => {
        this.pending = false;
        this.drawInView();
      });
    });
  }

  clear() {
    this.show('', false);
  }

  // text: what the pane shows; endsInError: its last line is the error line.
  show(text, endsInError) {
    this.text = text;
    this.element.textContent = '';
    this.errorStart = endsInError ? text.lastIndexOf('\n', text.length - 2) + 1 : -1;
    const starts = [0];
    for (let at = text.indexOf('\n'); at >= 0 && at + 1 < text.length && starts.length <= DRAWN_WHOLE_LINES;
      at = text.indexOf('\n', at + 1)) starts.push(at + 1);
    if (starts.length <= DRAWN_WHOLE_LINES) {
      this.starts = null;
      this.element.classList.remove('windowed');
      this.append(this.element, 0, text.length);
      this.element.scrollTop = endsInError ? this.element.scrollHeight : 0;
      return;
    }
    for (let at = text.indexOf('\n', starts[starts.length - 1]); at >= 0 && at + 1 < text.length;
      at = text.indexOf('\n', at + 1)) starts.push(at + 1);
    this.starts = starts;
    this.element.classList.add('windowed');
    this.spacer = document.createElement('div');
    this.spacer.className = 'spacer';
    this.window = document.createElement('div');
    this.window.className = 'window';
    this.element.append(this.spacer, this.window);
    this.lineHeight = this.measureLine();
    this.spacer.style.height = `${starts.length * this.lineHeight}px`;
    this.element.scrollTop = endsInError ? this.element.scrollHeight : 0;
    this.drawInView();
  }

  measureLine() {
    const probe = document.createElement('span');
    probe.textContent = 'M\nM';
    this.window.append(probe);
    const height = probe.getBoundingClientRect().height / 2 || 18;
    probe.remove();
    return height;
  }

  drawInView() {
    const starts = this.starts;
    const first = Math.max(0, Math.floor(this.element.scrollTop / this.lineHeight) - MARGIN_LINES);
    const shown = Math.ceil(this.element.clientHeight / this.lineHeight) + 2 * MARGIN_LINES;
    const last = Math.min(starts.length, first + shown);
    this.window.textContent = '';
    this.window.style.transform = `translateY(${first * this.lineHeight}px)`;
    this.append(this.window, starts[first], last < starts.length ? starts[last] : this.text.length);
  }

  // Appends the text from..to, the error line as its own element.
  append(parent, from, to) {
    const error = this.errorStart;
    if (error < 0 || to <= error) {
      parent.append(this.text.slice(from, to));
      return;
    }
    parent.append(this.text.slice(from, Math.max(from, error)));
    const line = document.createElement('span');
    line.className = 'error-line';
    line.textContent = this.text.slice(Math.max(from, error), this.text.length - 1);
    parent.append(line, '\n');
  }
}
