; JOBTOOL.COM: the few things the image's batch files need that COMMAND.COM
; cannot do. It prints nothing; the answer is the errorlevel.
;
;   jobtool line FILE [LINE ...]
;       0: FILE can be read and holds every LINE as a whole line (a LINE
;          cannot hold blanks; lines end with CR LF, CR, LF, Ctrl-Z or the
;          end of the file); 1: FILE lacks one of them; 2: FILE cannot be
;          read (missing, no such drive, drive not ready).
;   jobtool ren FILE NAME
;       Gives FILE the name NAME in its folder and keeps its attributes:
;       read-only, hidden and system are cleared for the rename and set again
;       afterwards (on FILE again when the rename fails). 0: renamed;
;       1: not renamed (FILE missing or a folder, NAME taken, disk error).
;   jobtool net D
;       0: drive D: is served by a file system redirector (a network drive,
;       or an installable file system such as the NTFS driver); 1: it is a
;       DOS drive of its own; 2: there is no drive D:.
;   jobtool flush
;       Writes DOS's modified disk buffers to disk (a disk cache that hooks
;       the call writes its own too). 0.
;   jobtool value FILE KEY
;       Prints what follows "KEY=" on the first line of FILE that starts so,
;       then CR LF. 0: printed; 1: no such line; 2: FILE cannot be read.
;   jobtool wait SECONDS
;       The last chance before a job: empties the keyboard's buffer, then
;       counts SECONDS (1 to 99) down on the screen, one number a second by
;       the BIOS's clock (INT 1Ah, 18.2 ticks a second), and ends the line.
;       0: the time ran out; 1: a key was pressed (and taken).
;   Anything else: 3.
;
; A critical error (a drive that is not ready) fails the call that met it
; instead of asking Abort, Retry, Fail. Names are tried through the long
; file name functions first (the NTFS driver offers them with -lfn), then
; through the plain DOS ones.

        bits    16
        org     0x100

MAX_WORDS       equ     10              ; verb, file and up to 8 lines
MAX_LINE        equ     128             ; longer lines cannot match a word
LFN_MISSING     equ     0x7100          ; AX after a long-name call DOS lacks

start:  cld
        mov     dx, critical_error
        mov     ax, 0x2524              ; DOS puts the old handler back at exit
        int     0x21
        call    split_words
        cmp     word [word_count], 0
        je      usage
        mov     si, [words]             ; the verb, in lower case
.lower: lodsb
        test    al, al
        jz      .lowered
        cmp     al, 'A'
        jb      .lower
        cmp     al, 'Z'
        ja      .lower
        or      byte [si - 1], 0x20
        jmp     .lower
.lowered:
        mov     di, verb_line
        call    is_verb
        je      do_line
        mov     di, verb_ren
        call    is_verb
        je      do_ren
        mov     di, verb_net
        call    is_verb
        je      do_net
        mov     di, verb_flush
        call    is_verb
        je      do_flush
        mov     di, verb_value
        call    is_verb
        je      do_value
        mov     di, verb_wait
        call    is_verb
        je      do_wait
usage:  mov     al, 3
quit:   test    al, al
        jnz     .code
        cmp     byte [critical_hit], 0
        je      .code
        mov     al, 2                   ; a disk error cannot be a yes
.code:  mov     ah, 0x4C
        int     0x21

; A critical error fails the call (or, where DOS allows no failure, is
; ignored); either way the answer can no longer be 0.
critical_error:
        mov     byte [cs:critical_hit], 1
        test    ah, 0x08                ; may fail?
        mov     al, 3
        jnz     .done
        test    ah, 0x20                ; may ignore?
        jz      .done
        mov     al, 0
.done:  iret

; ZF set when the first word equals the zero-ended text at DI.
is_verb:
        mov     si, [words]
.next:  lodsb
        cmp     al, [di]
        jne     .done
        inc     di
        test    al, al
        jnz     .next
.done:  ret

; Splits the command tail at blanks into zero-ended words.
split_words:
        mov     bl, [0x80]
        xor     bh, bh
        cmp     bl, 126
        jbe     .ended
        mov     bl, 126
.ended: mov     byte [0x81 + bx], 0
        mov     si, 0x81
        xor     bx, bx
.skip:  lodsb
        test    al, al
        jz      .done
        cmp     al, ' '
        je      .skip
        cmp     al, 9
        je      .skip
        cmp     bx, MAX_WORDS * 2
        je      .too_many
        lea     dx, [si - 1]
        mov     [words + bx], dx
        add     bx, 2
.word:  lodsb
        test    al, al
        jz      .done
        cmp     al, ' '
        je      .end
        cmp     al, 9
        jne     .word
.end:   mov     byte [si - 1], 0
        jmp     .skip
.done:  shr     bx, 1
        mov     [word_count], bx
        ret
.too_many:
        mov     word [word_count], 0    ; more words than any verb takes: usage
        ret

; ---- line -----------------------------------------------------------------------

do_line:
        mov     cx, [word_count]
        sub     cx, 2
        jb      usage
        mov     [wanted_count], cx
        mov     al, 1                   ; every line wanted: one bit each
        shl     al, cl
        dec     al
        mov     [all_found], al
        xor     bx, bx                  ; lengths of the wanted lines
.length:
        cmp     bx, cx
        je      .open
        mov     di, bx
        shl     di, 1
        mov     si, [words + 4 + di]
        xor     ax, ax
.count: cmp     byte [si], 0
        je      .counted
        inc     si
        inc     ax
        jmp     .count
.counted:
        mov     [wanted_length + di], ax
        inc     bx
        jmp     .length

.open:  mov     si, [words + 2]
        mov     ax, 0x716C              ; open for reading, existing file only
        xor     bx, bx
        xor     cx, cx
        mov     dx, 1
        stc
        int     0x21
        jnc     .opened
        cmp     ax, LFN_MISSING
        jne     unreadable
        mov     dx, si
        mov     ax, 0x3D00
        int     0x21
        jc      unreadable
.opened:
        mov     [handle], ax

.read:  mov     al, [found]
        cmp     al, [all_found]
        je      .eof                    ; nothing left to look for
        mov     bx, [handle]
        mov     dx, buffer
        mov     cx, 512
        mov     ah, 0x3F
        int     0x21
        jc      .failed
        test    ax, ax
        jz      .eof
        mov     cx, ax
        mov     si, buffer
.byte:  lodsb
        cmp     al, 13
        je      .line_end
        cmp     al, 10
        je      .line_end
        cmp     al, 26
        je      .line_end
        mov     bx, [line_length]
        cmp     bx, MAX_LINE
        jae     .too_long
        mov     [line + bx], al
        inc     word [line_length]
        jmp     .next
.too_long:
        mov     byte [overlong], 1
        jmp     .next
.line_end:
        call    end_of_line
.next:  loop    .byte
        jmp     .read

.eof:   call    end_of_line             ; a last line without line end
        call    close_file
        mov     al, [found]
        cmp     al, [all_found]
        mov     al, 0
        je      quit
        mov     al, 1
        jmp     quit
.failed:
        call    close_file
unreadable:
        mov     al, 2
        jmp     quit

close_file:
        mov     bx, [handle]
        mov     ah, 0x3E
        int     0x21
        ret

; Marks the wanted lines equal to the line read so far, and starts the next.
end_of_line:
        push    si
        push    cx
        mov     dx, [line_length]
        test    dx, dx
        jz      .reset
        cmp     byte [overlong], 0
        jne     .reset
        xor     bx, bx
.each:  cmp     bx, [wanted_count]
        je      .reset
        mov     di, bx
        shl     di, 1
        mov     cx, [wanted_length + di]
        cmp     cx, dx
        jne     .other
        mov     di, [words + 4 + di]
        mov     si, line
        repe    cmpsb
        jne     .other
        mov     cl, bl
        mov     al, 1
        shl     al, cl
        or      [found], al
.other: inc     bx
        jmp     .each
.reset: mov     word [line_length], 0
        mov     byte [overlong], 0
        pop     cx
        pop     si
        ret

; ---- ren --------------------------------------------------------------------------

do_ren: cmp     word [word_count], 3
        jne     usage
        ; The new path: FILE's drive and folder, then NAME.
        mov     si, [words + 2]
        mov     di, new_path
        mov     bx, di                  ; where NAME goes
.path:  lodsb
        stosb
        test    al, al
        jz      .name
        cmp     al, '\'
        je      .folder
        cmp     al, ':'
        jne     .path
.folder:
        mov     bx, di
        jmp     .path
.name:  mov     di, bx
        mov     si, [words + 4]
.copy:  lodsb
        stosb
        test    al, al
        jnz     .copy

        mov     dx, [words + 2]
        mov     bl, 0
        call    attributes              ; CX = FILE's attributes
        jc      .not_renamed
        test    cl, 0x18                ; a folder or a volume label
        jnz     .not_renamed
        and     cx, 0x27
        mov     [kept], cx
        test    cl, 0x07
        jz      .rename
        and     cl, 0x20                ; read-only, hidden, system off
        mov     bl, 1
        call    attributes
        jc      .not_renamed
.rename:
        mov     dx, [words + 2]
        mov     di, new_path
        mov     ax, 0x7156
        stc
        int     0x21
        jnc     .renamed
        cmp     ax, LFN_MISSING
        jne     .failed
        mov     dx, [words + 2]
        mov     di, new_path
        mov     ah, 0x56
        int     0x21
        jnc     .renamed
.failed:
        mov     dx, [words + 2]         ; FILE keeps its name and gets its
        call    protect                 ; attributes back
.not_renamed:
        mov     al, 1
        jmp     quit
.renamed:
        mov     byte [critical_hit], 0  ; renamed is renamed, whatever follows
        mov     dx, new_path
        call    protect
        mov     byte [critical_hit], 0
        mov     al, 0
        jmp     quit

; Gives the file DX names the kept attributes.
protect:
        mov     cx, [kept]
        test    cl, 0x07
        jz      .done
        mov     bl, 1
        call    attributes
.done:  ret

; Gets (BL = 0; into CX) or sets (BL = 1; from CX) the attributes of the
; file DX names. CF set on failure.
attributes:
        push    cx
        mov     ax, 0x7143
        stc
        int     0x21
        jnc     .done
        cmp     ax, LFN_MISSING
        jne     .failed
        pop     cx
        push    cx
        mov     al, bl                  ; 4300h get, 4301h set
        mov     ah, 0x43
        int     0x21
        jc      .failed
.done:  test    bl, bl
        jnz     .set
        add     sp, 2                   ; CX holds the answer
        clc
        ret
.set:   pop     cx
        clc
        ret
.failed:
        pop     cx
        stc
        ret

; ---- net ------------------------------------------------------------------------

do_net: cmp     word [word_count], 2
        jne     usage
        mov     si, [words + 2]
        mov     bl, [si]
        or      bl, 0x20
        sub     bl, 'a' - 1
        jbe     usage
        cmp     bl, 26
        ja      usage
        mov     ax, 0x4409              ; is the drive remote?
        int     0x21
        mov     al, 2
        jc      quit
        mov     al, 0
        test    dh, 0x10                ; bit 12: served by a redirector
        jnz     quit
        mov     al, 1
        jmp     quit

; ---- flush ------------------------------------------------------------------------

do_flush:
        cmp     word [word_count], 1
        jne     usage
        mov     ah, 0x0D
        int     0x21
        mov     al, 0
        jmp     quit

verb_line:      db "line", 0
verb_value:     db "value", 0
verb_wait:      db "wait", 0
crlf:           db 13, 10, 0
verb_ren:       db "ren", 0
verb_net:       db "net", 0
verb_flush:     db "flush", 0

critical_hit:   db 0
found:          db 0
overlong:       db 0
line_length:    dw 0

; ---- value -----------------------------------------------------------------------

do_value:
        cmp     word [word_count], 3
        jne     usage
        mov     si, [words + 4]         ; the wanted start: KEY and "="
        mov     di, prefix
        xor     cx, cx
.key:   lodsb
        test    al, al
        jz      .keyed
        stosb
        inc     cx
        cmp     cx, MAX_LINE - 1
        jae     usage
        jmp     .key
.keyed: mov     al, '='
        stosb
        inc     cx
        mov     [prefix_length], cx
        mov     si, [words + 2]
        call    open_for_reading
        jc      unreadable
        mov     [handle], ax
.read:  mov     bx, [handle]
        mov     dx, buffer
        mov     cx, 512
        mov     ah, 0x3F
        int     0x21
        jc      .failed
        test    ax, ax
        jz      .eof
        mov     cx, ax
        mov     si, buffer
.byte:  lodsb
        cmp     al, 13
        je      .line_end
        cmp     al, 10
        je      .line_end
        cmp     al, 26
        je      .line_end
        mov     bx, [line_length]
        cmp     bx, MAX_LINE
        jae     .next                   ; a longer value is cut, never a wrong one
        mov     [line + bx], al
        inc     word [line_length]
        jmp     .next
.line_end:
        call    show_if_wanted
        jnc     .shown
.next:  loop    .byte
        jmp     .read
.eof:   call    show_if_wanted
        jnc     .shown
        call    close_file
        mov     al, 1
        jmp     quit
.shown: call    close_file
        mov     al, 0
        jmp     quit
.failed:
        call    close_file
        jmp     unreadable

; When the line read so far starts with the wanted prefix, prints the rest
; and CR LF (CF clear); else starts the next line (CF set).
show_if_wanted:
        push    si
        push    cx
        mov     cx, [prefix_length]
        cmp     [line_length], cx
        jb      .other
        mov     si, prefix
        mov     di, line
        repe    cmpsb
        jne     .other
        mov     si, line
        add     si, [prefix_length]
        mov     cx, [line_length]
        sub     cx, [prefix_length]
        jcxz    .ended
.print: lodsb
        mov     dl, al
        mov     ah, 0x02
        int     0x21
        loop    .print
.ended: mov     si, crlf
        call    print_text
        pop     cx
        pop     si
        clc
        ret
.other: mov     word [line_length], 0
        pop     cx
        pop     si
        stc
        ret

; Opens the file SI names for reading (long names first); AX the handle,
; CF set when it cannot be opened.
open_for_reading:
        mov     ax, 0x716C
        xor     bx, bx
        xor     cx, cx
        mov     dx, 1
        stc
        int     0x21
        jnc     .done
        cmp     ax, LFN_MISSING
        stc
        jne     .done
        mov     dx, si
        mov     ax, 0x3D00
        int     0x21
.done:  ret

; Prints the zero-ended text at SI.
print_text:
        lodsb
        test    al, al
        jz      .done
        mov     dl, al
        mov     ah, 0x02
        int     0x21
        jmp     print_text
.done:  ret

; ---- wait -------------------------------------------------------------------------

TICKS_PER_TEN_SECONDS   equ     182     ; the BIOS clock: 18.2 ticks a second

do_wait:
        cmp     word [word_count], 2
        jne     usage
        mov     si, [words + 2]         ; SECONDS, 1 to 99
        xor     ax, ax
        xor     cx, cx
.digit: mov     bl, [si]
        inc     si
        test    bl, bl
        jz      .parsed
        sub     bl, '0'
        cmp     bl, 9
        ja      usage
        mov     dx, 10
        mul     dx
        add     al, bl
        adc     ah, 0
        inc     cx
        cmp     cx, 2
        ja      usage
        jmp     .digit
.parsed:
        test    ax, ax
        jz      usage
        mov     [seconds], ax
        mov     dx, TICKS_PER_TEN_SECONDS  ; ticks to wait: seconds * 18.2
        mul     dx
        mov     bx, 10
        div     bx
        mov     [ticks_total], ax
.flush: mov     ah, 0x01                ; keys pressed before the count do not count
        int     0x16
        jz      .counting
        mov     ah, 0x00
        int     0x16
        jmp     .flush
.counting:
        mov     ah, 0x00
        int     0x1A
        mov     [last_tick], dx
        mov     word [elapsed], 0
        mov     word [shown], 0xFFFF
.loop:  ; seconds left: seconds - elapsed * 10 / 182, shown once each
        mov     ax, [elapsed]
        mov     dx, 10
        mul     dx
        mov     bx, TICKS_PER_TEN_SECONDS
        div     bx
        mov     dx, [seconds]
        sub     dx, ax
        jbe     .time_out
        cmp     dx, [shown]
        je      .key
        mov     [shown], dx
        call    print_number
.key:   mov     ah, 0x01
        int     0x16
        jnz     .pressed
        sti                             ; the clock ticks by its interrupt
        mov     ah, 0x00
        int     0x1A
        mov     ax, dx
        sub     ax, [last_tick]
        mov     [last_tick], dx
        cmp     ax, 18 * 60             ; midnight turned the count back: a tick
        jbe     .add
        mov     ax, 1
.add:   add     [elapsed], ax
        mov     ax, [elapsed]
        cmp     ax, [ticks_total]
        jb      .loop
.time_out:
        mov     si, crlf
        call    print_text
        mov     al, 0
        jmp     quit
.pressed:
        mov     ah, 0x00
        int     0x16
        mov     si, crlf
        call    print_text
        mov     al, 1
        jmp     quit

; Prints DX (0 to 99) and a space.
print_number:
        mov     ax, dx
        mov     bl, 10
        div     bl                      ; AL tens, AH ones
        push    ax
        test    al, al
        jz      .ones
        add     al, '0'
        mov     dl, al
        mov     ah, 0x02
        int     0x21
.ones:  pop     ax
        mov     dl, ah
        add     dl, '0'
        mov     ah, 0x02
        int     0x21
        mov     dl, ' '
        mov     ah, 0x02
        int     0x21
        ret

section .bss
word_count:     resw 1
words:          resw MAX_WORDS
wanted_count:   resw 1
wanted_length:  resw MAX_WORDS
all_found:      resb 1
handle:         resw 1
kept:           resw 1
line:           resb MAX_LINE
new_path:       resb 260
buffer:         resb 512
prefix:         resb MAX_LINE
prefix_length:  resw 1
seconds:        resw 1
ticks_total:    resw 1
last_tick:      resw 1
elapsed:        resw 1
shown:          resw 1
